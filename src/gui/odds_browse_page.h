#pragma once
// The odds-browse pages "オッズ閲覧": the odds of every horse and pair at the selected
// moment, and the popularity lists, from the moment view of the main window model.

#include <QWidget>

#include <array>
#include <vector>

#include "presentation/selected_moment_grids.h"

class QLabel;
class QListWidget;

namespace tidemark::gui {

class OddsBrowsePage : public QWidget {
    Q_OBJECT
public:
    // pages: the three sub-pages "単複枠", "馬連" and "人気順".
    OddsBrowsePage(const presentation::SelectedMomentView& view, QWidget* winPage, QWidget* quinellaPage,
                   QWidget* popularityPage);
    void refresh();

private:
    const presentation::SelectedMomentView& m_view;
    QLabel* m_o1Time = nullptr; // Label60
    QLabel* m_o2Time = nullptr; // Label56
    std::vector<QLabel*> m_win, m_placeLow, m_placeHigh, m_bracket, m_quinella;
    std::array<QListWidget*, 5> m_lists{};
    std::array<QLabel*, 5> m_listTimes{};
};

} // namespace tidemark::gui
