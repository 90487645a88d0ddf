#include "gui/odds_browse_page.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QVBoxLayout>

#include "gui/qt_host.h"
#include "records/pair_index.h"

namespace tidemark::gui {
namespace {

QFont fixedFont()
{
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(12);
    return f;
}

QLabel* cell(QWidget* parent, const QString& text = {}, Qt::Alignment a = Qt::AlignRight | Qt::AlignVCenter)
{
    auto* l = new QLabel(text, parent);
    l->setFont(fixedFont());
    l->setAlignment(a);
    return l;
}

QLabel* head(QWidget* parent, const char* utf8)
{
    QLabel* l = cell(parent, QString::fromUtf8(utf8), Qt::AlignCenter);
    l->setStyleSheet(QStringLiteral("background:#C0C0C0;"));
    return l;
}

// The layout of a page of the page tree; the tree gives each page a column already, and a
// second layout on the same widget would be refused, leaving its contents unplaced.
QBoxLayout* pageLayout(QWidget* page)
{
    if (auto* box = qobject_cast<QBoxLayout*>(page->layout()))
        return box;
    delete page->layout();
    return new QVBoxLayout(page);
}

QWidget* scrolled(QWidget* page, QWidget* content)
{
    QBoxLayout* lay = pageLayout(page);
    lay->setContentsMargins(0, 0, 0, 0);
    auto* area = new QScrollArea(page);
    area->setWidget(content);
    area->setWidgetResizable(true);
    lay->addWidget(area);
    return content;
}

} // namespace

OddsBrowsePage::OddsBrowsePage(const presentation::SelectedMomentView& view, QWidget* winPage,
                               QWidget* quinellaPage, QWidget* popularityPage)
    : QWidget(winPage), m_view(view)
{
    hide(); // the three pages hold the contents; this object only keeps them in step

    // 単複枠: the horses on the left, the bracket pairs on the right.
    auto* wp = scrolled(winPage, new QWidget);
    auto* wg = new QGridLayout(wp);
    wg->setHorizontalSpacing(8);
    wg->setVerticalSpacing(1);
    m_o1Time = cell(wp, {}, Qt::AlignLeft | Qt::AlignVCenter);
    m_o1Time->setObjectName(QStringLiteral("Label60"));
    wg->addWidget(m_o1Time, 0, 0, 1, 4);
    wg->addWidget(head(wp, "馬"), 1, 0);
    wg->addWidget(head(wp, "単勝"), 1, 1);
    wg->addWidget(head(wp, "複勝(低)"), 1, 2);
    wg->addWidget(head(wp, "複勝(高)"), 1, 3);
    for (int h = 1; h <= 18; ++h) {
        wg->addWidget(cell(wp, QString::number(h)), h + 1, 0);
        for (auto* list : {&m_win, &m_placeLow, &m_placeHigh}) {
            QLabel* l = cell(wp);
            wg->addWidget(l, h + 1, 1 + static_cast<int>(list == &m_placeLow) + 2 * static_cast<int>(list == &m_placeHigh));
            list->push_back(l);
        }
    }
    wg->addWidget(head(wp, "枠連"), 1, 5, 1, 4);
    for (int k = 1; k <= records::kBracketPairCount; ++k) {
        const int r = 2 + (k - 1) % 18;
        const int c = 5 + 2 * ((k - 1) / 18);
        wg->addWidget(cell(wp, qs(records::bracketPairLabel(k))), r, c);
        QLabel* l = cell(wp);
        wg->addWidget(l, r, c + 1);
        m_bracket.push_back(l);
    }
    wg->setColumnStretch(9, 1);
    wg->setRowStretch(20, 1);

    // 馬連: the 153 pairs in columns of 18.
    auto* qp = scrolled(quinellaPage, new QWidget);
    auto* qg = new QGridLayout(qp);
    qg->setHorizontalSpacing(8);
    qg->setVerticalSpacing(1);
    m_o2Time = cell(qp, {}, Qt::AlignLeft | Qt::AlignVCenter);
    m_o2Time->setObjectName(QStringLiteral("Label56"));
    qg->addWidget(m_o2Time, 0, 0, 1, 6);
    for (int k = 1; k <= records::kQuinellaPairCount; ++k) {
        const int r = 1 + (k - 1) % 18;
        const int c = 2 * ((k - 1) / 18);
        qg->addWidget(cell(qp, qs(records::quinellaPairLabel(k))), r, c);
        QLabel* l = cell(qp);
        qg->addWidget(l, r, c + 1);
        m_quinella.push_back(l);
    }
    qg->setRowStretch(20, 1);
    qg->setColumnStretch(18, 1);

    // 人気順: five lists, each under the time of its snapshot.
    auto* pl = new QHBoxLayout;
    pageLayout(popularityPage)->addLayout(pl, 1);
    const char* names[5] = {"TanList4", "FLList4", "FHList4", "wkList4", "umList4"};
    const char* times[5] = {"Label105", "Label107", "Label109", "Label111", "Label129"};
    const char* captions[5] = {"単勝", "複勝(低)", "複勝(高)", "枠連", "馬連"};
    for (std::size_t i = 0; i < 5; ++i) {
        auto* col = new QVBoxLayout;
        col->addWidget(head(popularityPage, captions[i]));
        m_listTimes[i] = cell(popularityPage, {}, Qt::AlignCenter);
        m_listTimes[i]->setObjectName(QString::fromLatin1(times[i]));
        col->addWidget(m_listTimes[i]);
        m_lists[i] = new QListWidget(popularityPage);
        m_lists[i]->setObjectName(QString::fromLatin1(names[i]));
        m_lists[i]->setFont(fixedFont());
        col->addWidget(m_lists[i], 1);
        pl->addLayout(col);
    }
}

void OddsBrowsePage::refresh()
{
    const presentation::OddsBrowseLabels& b = m_view.browse;
    m_o1Time->setText(qs(m_view.Label60));
    m_o2Time->setText(qs(m_view.Label56));
    for (std::size_t h = 1; h <= 18; ++h) {
        m_win[h - 1]->setText(qs(b.win[h]));
        m_placeLow[h - 1]->setText(qs(b.placeLow[h]));
        m_placeHigh[h - 1]->setText(qs(b.placeHigh[h]));
    }
    for (std::size_t k = 1; k < b.bracket.size(); ++k)
        m_bracket[k - 1]->setText(qs(b.bracket[k]));
    for (std::size_t k = 1; k < b.quinella.size(); ++k)
        m_quinella[k - 1]->setText(qs(b.quinella[k]));
    const std::vector<std::string>* lists[5] = {&m_view.TanList4, &m_view.FLList4, &m_view.FHList4,
                                                &m_view.wkList4, &m_view.umList4};
    const std::string* times[5] = {&m_view.Label105, &m_view.Label107, &m_view.Label109, &m_view.Label111,
                                   &m_view.Label129};
    for (std::size_t i = 0; i < 5; ++i) {
        m_listTimes[i]->setText(qs(*times[i]));
        m_lists[i]->clear();
        for (const std::string& item : *lists[i])
            m_lists[i]->addItem(qs(item));
    }
}

} // namespace tidemark::gui
