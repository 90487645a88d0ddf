#pragma once
// The pages of PageControl1: the nested page controls, the strips of controls above the
// grids, the grid views and the label pages. Every control forwards to the main window
// model; the pages show what it holds.

#include <QHash>
#include <QObject>

#include <map>

#include "presentation/main_window_model.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QTabWidget;
class QWidget;

namespace tidemark::gui {

class GridTableModel;
class GridView;
class OddsBrowsePage;

class MainPages : public QObject, private presentation::MatrixModelObserver {
    Q_OBJECT
public:
    MainPages(MainWindowModel& model, QTabWidget* PageControl1);
    ~MainPages() override;

    QWidget* page(const QString& name) const { return m_pages.value(name); }
    GridView* view(presentation::GridId id) const;

    // What the copy button copies: the page in front and its inner pages.
    presentation::ActivePage activePage() const;
    // The labels and lists the moment analysis writes.
    void refreshMomentView();

private:
    void buildTree();
    void placeGrids();
    void buildStrips();
    void switchesChanged() override;
    void thresholdTextChanged(int index) override;

    MainWindowModel& m_model;
    QTabWidget* m_pageControl;
    QHash<QString, QWidget*> m_pages;
    std::map<int, GridTableModel*> m_models;
    std::map<int, GridView*> m_views;
    QHash<QString, QLabel*> m_labels;
    OddsBrowsePage* m_browse = nullptr;
    QButtonGroup* m_radio4 = nullptr;
    QButtonGroup* m_radio3 = nullptr;
    QButtonGroup* m_radio15 = nullptr;
    QLineEdit* m_sedit[4] = {};
};

} // namespace tidemark::gui
