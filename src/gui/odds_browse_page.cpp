#include "gui/odds_browse_page.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QVBoxLayout>

#include <utility>

#include "gui/qt_host.h"
#include "presentation/odds_browse_layout.h"
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

QLabel* head(QWidget* parent, const QString& text)
{
    QLabel* l = cell(parent, text, Qt::AlignCenter);
    l->setStyleSheet(QStringLiteral("background:#C0C0C0;"));
    return l;
}

template <class W>
W* named(W* w, const char* name, int number)
{
    w->setObjectName(QString::fromLatin1(name) + QString::number(number));
    return w;
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

    // 単複枠: the horse lines on the left, the bracket-quinella groups on the right.
    const presentation::BrowseWinCaptions caps = presentation::browseWinCaptions();
    auto* wp = scrolled(winPage, new QWidget);
    auto* wg = new QGridLayout(wp);
    wg->setHorizontalSpacing(8);
    wg->setVerticalSpacing(1);
    m_o1Time = cell(wp, {}, Qt::AlignLeft | Qt::AlignVCenter);
    m_o1Time->setObjectName(QStringLiteral("Label60"));
    wg->addWidget(m_o1Time, 0, 0, 1, 4);
    wg->addWidget(head(wp, QString()), 1, 0, 2, 1);
    wg->addWidget(head(wp, qs(caps.win)), 1, 1, 2, 1);
    wg->addWidget(head(wp, qs(caps.place)), 1, 2, 1, 2);
    wg->addWidget(head(wp, qs(caps.low)), 2, 2);
    wg->addWidget(head(wp, qs(caps.high)), 2, 3);
    for (int h = 1; h <= records::kHorseCount; ++h) {
        const bool shown = presentation::browseHorseShown(h);
        QLabel* number = named(cell(wp, qs(presentation::browseHorseText(h))), "BrowseHorse", h);
        number->setVisible(shown);
        wg->addWidget(number, h + 2, 0);
        const std::pair<std::vector<QLabel*>*, const char*> columns[3] = {
            {&m_win, "BrowseWin"}, {&m_placeLow, "BrowsePlaceLow"}, {&m_placeHigh, "BrowsePlaceHigh"}};
        for (int c = 0; c < 3; ++c) {
            QLabel* l = named(cell(wp), columns[c].second, h);
            l->setVisible(shown);
            wg->addWidget(l, h + 2, 1 + c);
            columns[c].first->push_back(l);
        }
    }
    wg->addWidget(head(wp, qs(presentation::browseBracketCaption())), 1, 5, 1, 1);
    // Two rows of four groups (8, 7, 6, 5 pairs over 4, 3, 2, 1), beside the horse lines.
    auto* groups = new QGridLayout;
    groups->setHorizontalSpacing(12);
    groups->setVerticalSpacing(6);
    m_bracket.resize(records::kBracketPairCount);
    for (const presentation::BrowseGroup& g : presentation::browseBracketGroups()) {
        auto* box = named(new QWidget(wp), "BracketGroup", g.first);
        auto* bg = new QGridLayout(box);
        bg->setContentsMargins(0, 0, 0, 0);
        bg->setHorizontalSpacing(8);
        bg->setVerticalSpacing(1);
        int row = 0;
        for (int k : g.pairs) {
            bg->addWidget(named(cell(box, qs(records::bracketPairLabel(k))), "BrowseBracketPair", k), row, 0);
            QLabel* l = named(cell(box), "BrowseBracket", k);
            bg->addWidget(l, row++, 1);
            m_bracket[static_cast<std::size_t>(k - 1)] = l;
        }
        bg->setRowStretch(row, 1);
        groups->addWidget(box, (g.first - 1) / 4, (g.first - 1) % 4, Qt::AlignTop | Qt::AlignLeft);
    }
    groups->setColumnStretch(4, 1);
    wg->addLayout(groups, 2, 5, records::kHorseCount + 1, 1, Qt::AlignTop);
    wg->setColumnStretch(5, 1);
    wg->setRowStretch(records::kHorseCount + 3, 1);

    // 馬連: one block per first horse, each listing the second horses with their odds.
    auto* qp = scrolled(quinellaPage, new QWidget);
    auto* qg = new QGridLayout(qp);
    qg->setHorizontalSpacing(10);
    qg->setVerticalSpacing(1);
    m_o2Time = cell(qp, {}, Qt::AlignLeft | Qt::AlignVCenter);
    m_o2Time->setObjectName(QStringLiteral("Label56"));
    qg->addWidget(m_o2Time, 0, 0, 1, 6);
    m_quinella.resize(records::kQuinellaPairCount);
    // Two rows of blocks, 1-8 over 9-16, so that a field of 16 fits without scrolling.
    constexpr int kBlocksPerRow = 8;
    for (const presentation::BrowseGroup& g : presentation::browseQuinellaBlocks()) {
        auto* box = named(new QWidget(qp), "QuinellaBlock", g.first);
        auto* bg = new QGridLayout(box);
        bg->setContentsMargins(0, 0, 0, 0);
        bg->setHorizontalSpacing(8);
        bg->setVerticalSpacing(1);
        bg->addWidget(head(box, qs(presentation::browseHorseText(g.first))), 0, 0, 1, 2);
        int row = 1;
        bool anyShown = false;
        for (int k : g.pairs) {
            const bool shown = presentation::browseQuinellaPairShown(k);
            anyShown = anyShown || shown;
            QLabel* second = named(cell(box, qs(presentation::browseHorseText(records::quinellaPair(k).second))),
                                   "BrowseSecondHorse", k);
            QLabel* l = named(cell(box), "BrowseQuinella", k);
            second->setVisible(shown);
            l->setVisible(shown);
            bg->addWidget(second, row, 0);
            bg->addWidget(l, row++, 1);
            m_quinella[static_cast<std::size_t>(k - 1)] = l;
        }
        bg->setRowStretch(row, 1);
        box->setVisible(anyShown); // 16's and 17's blocks hold pairs with 17 or 18 only
        qg->addWidget(box, 1 + (g.first - 1) / kBlocksPerRow, (g.first - 1) % kBlocksPerRow,
                      Qt::AlignTop | Qt::AlignLeft);
    }
    qg->setRowStretch(4, 1);
    qg->setColumnStretch(kBlocksPerRow, 1);

    // 人気順: five lists, each under the time of its snapshot.
    auto* pl = new QHBoxLayout;
    pageLayout(popularityPage)->addLayout(pl, 1);
    const char* names[5] = {"TanList4", "FLList4", "FHList4", "wkList4", "umList4"};
    const char* times[5] = {"Label105", "Label107", "Label109", "Label111", "Label129"};
    const char* captions[5] = {"単勝", "複勝(低)", "複勝(高)", "枠連", "馬連"};
    for (std::size_t i = 0; i < 5; ++i) {
        auto* col = new QVBoxLayout;
        col->addWidget(head(popularityPage, QString::fromUtf8(captions[i])));
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
