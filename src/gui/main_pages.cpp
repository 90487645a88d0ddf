#include "gui/main_pages.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/chart_page.h"
#include "gui/grid_style_provider.h"
#include "gui/grid_table_model.h"
#include "gui/grid_view.h"
#include "gui/odds_browse_page.h"
#include "gui/qt_host.h"
#include "gui/results_page.h"
#include "presentation/page_captions.h"
#include "text/cp932.h"

namespace tidemark::gui {
namespace {

using presentation::GridId;

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

QString latin(std::string_view s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

// PageControl1 in tab order (the order of MainPage), with the object names of the nested
// page controls and their pages; the captions come from the presentation model.
struct Page {
    const char* name;
    const char* inner; // nested page control, or nullptr
    std::initializer_list<const char*> subs;
};

const Page kPages[] = {
    {"TabSheet2", nullptr, {}},
    {"TabSheet33", "PageControl12", {"TabSheet34", "TabSheet35", "TabSheet37", "TabSheet36"}},
    {"TabSheet50", "PageControl6", {"TabSheet51", "TabSheet52"}},
    {"TabSheet38", nullptr, {}},
    {"TabSheet10", "PageControl2", {"TabSheet19", "TabSheet23", "TabSheet24", "TabSheet25"}},
    {"TabSheet31", nullptr, {}},
    {"TabSheet26", "PageControl10", {"TabSheet26a", "TabSheet26b", "TabSheet26c", "TabSheet26d"}},
    {"TabSheet12", "PageControl4", {"TabSheet12a", "TabSheet12b", "TabSheet12c", "TabSheet12d"}},
    {"TabSheet13", "PageControl5", {"TabSheet13a", "TabSheet13b", "TabSheet13c", "TabSheet13d"}},
    {"TabSheet32", nullptr, {}},
    {"TabSheet42", nullptr, {}},
    {"TabSheet39", "PageControl13", {"TabSheet40", "TabSheet41", "TabSheet57"}},
    {"TabSheet3", nullptr, {}},
    {"TabSheet1", nullptr, {}},
};
static_assert(std::size(kPages) == presentation::kMainPageCount);

QVBoxLayout* column(QWidget* w)
{
    auto* lay = new QVBoxLayout(w);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(2);
    return lay;
}

QWidget* strip(QWidget* parent)
{
    auto* s = new QWidget(parent);
    auto* h = new QHBoxLayout(s);
    h->setContentsMargins(4, 2, 4, 2);
    return s;
}

QButtonGroup* radioGroup(QWidget* parent, const std::string& caption, const std::vector<std::string>& items,
                         const char* name)
{
    auto* box = new QGroupBox(qs(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    auto* h = new QHBoxLayout(box);
    h->setContentsMargins(6, 2, 6, 2);
    auto* group = new QButtonGroup(box);
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(qs(items[i]), box);
        group->addButton(b, static_cast<int>(i));
        h->addWidget(b);
    }
    parent->layout()->addWidget(box);
    return group;
}

} // namespace

MainPages::MainPages(MainWindowModel& model, QTabWidget* PageControl1)
    : QObject(PageControl1), m_model(model), m_pageControl(PageControl1)
{
    buildTree();
    placeGrids();
    buildStrips();
    m_model.matrix().setObserver(this);
    switchesChanged();
    for (int i = 0; i < 4; ++i)
        thresholdTextChanged(i);
}

MainPages::~MainPages()
{
    m_model.matrix().setObserver(nullptr);
}

void MainPages::buildTree()
{
    auto addPages = [this](QTabWidget* control, std::initializer_list<const char*> names,
                           const std::vector<std::string>& captions) {
        std::size_t i = 0;
        for (const char* name : names) {
            auto* sw = new QWidget(control);
            sw->setObjectName(QString::fromLatin1(name));
            m_pages.insert(sw->objectName(), sw);
            column(sw);
            control->addTab(sw, i < captions.size() ? qs(captions[i]) : QString());
            ++i;
        }
    };
    for (std::size_t i = 0; i < std::size(kPages); ++i) {
        const Page& p = kPages[i];
        const auto page = static_cast<presentation::MainPage>(i);
        auto* w = new QWidget(m_pageControl);
        w->setObjectName(QString::fromLatin1(p.name));
        m_pages.insert(w->objectName(), w);
        QVBoxLayout* lay = column(w);
        if (p.inner) {
            auto* inner = new QTabWidget(w);
            inner->setObjectName(QString::fromLatin1(p.inner));
            m_pages.insert(inner->objectName(), inner);
            addPages(inner, p.subs, presentation::innerPageCaptions(page));
            lay->addWidget(inner, 1);
        }
        // TabSheet1 only holds the buttons the program clicks itself: no tab at all (a
        // hidden last tab throws the tab bar's scrolling off).
        if (page == presentation::MainPage::TabSheet1) {
            w->hide();
            continue;
        }
        // A page wider than the window scrolls inside it rather than widening the window.
        auto* scroll = new QScrollArea(m_pageControl);
        scroll->setObjectName(QString::fromLatin1(p.name) + QStringLiteral("Scroll"));
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setWidget(w);
        m_pageControl->addTab(scroll, qs(presentation::mainPageCaption(page)));
    }

    // The anomaly pages hold one more level of pages each.
    // An aggregate keeps the backing arrays of its lists alive; a std::pair would not.
    struct Nested {
        const char* parent;
        const char* control;
        std::initializer_list<const char*> subs;
    };
    static const Nested nested[] = {
        {"TabSheet51", "PageControl7", {"TabSheet53", "TabSheet54"}},
        {"TabSheet52", "PageControl8", {"TabSheet55", "TabSheet56"}},
    };
    for (int k = 0; k < 2; ++k) {
        const Nested& n = nested[k];
        QWidget* parent = m_pages.value(QString::fromLatin1(n.parent));
        auto* inner = new QTabWidget(parent);
        inner->setObjectName(QString::fromLatin1(n.control));
        m_pages.insert(inner->objectName(), inner);
        addPages(inner, n.subs, presentation::innerInnerPageCaptions(presentation::MainPage::TabSheet50, k));
        parent->layout()->addWidget(inner);
    }
}

void MainPages::placeGrids()
{
    const std::pair<const char*, GridId> placements[] = {
        {"TabSheet2", GridId::StringGrid2},    {"TabSheet34", GridId::StringGrid26},
        {"TabSheet35", GridId::StringGrid8},   {"TabSheet37", GridId::StringGrid9},
        {"TabSheet36", GridId::StringGrid10},  {"TabSheet53", GridId::StringGrid27},
        {"TabSheet54", GridId::StringGrid28},  {"TabSheet55", GridId::StringGrid29},
        {"TabSheet56", GridId::StringGrid30},  {"TabSheet38", GridId::StringGrid11},
        {"TabSheet19", GridId::StringGrid20},  {"TabSheet23", GridId::StringGrid21},
        {"TabSheet24", GridId::StringGrid22},  {"TabSheet25", GridId::StringGrid23},
        {"TabSheet31", GridId::StringGrid24},  {"TabSheet26a", GridId::StringGrid4},
        {"TabSheet26b", GridId::StringGrid5},  {"TabSheet26c", GridId::StringGrid6},
        {"TabSheet26d", GridId::StringGrid7},  {"TabSheet12a", GridId::StringGrid12},
        {"TabSheet12b", GridId::StringGrid13}, {"TabSheet12c", GridId::StringGrid14},
        {"TabSheet12d", GridId::StringGrid15}, {"TabSheet13a", GridId::StringGrid16},
        {"TabSheet13b", GridId::StringGrid17}, {"TabSheet13c", GridId::StringGrid18},
        {"TabSheet13d", GridId::StringGrid19}, {"TabSheet32", GridId::StringGrid25},
    };
    for (const auto& [pageName, id] : placements) {
        QWidget* page = m_pages.value(QString::fromLatin1(pageName));
        auto* model = new GridTableModel(id, m_model.grids()[id], this);
        GridStyleProvider::install(*model, m_model.render());
        auto* view = new GridView(*model, page);
        view->setObjectName(latin(presentation::gridName(id)));
        view->setHandCursorTest([this, id = id](int r, int c) { return m_model.sorting().handCursorAt(id, r, c); });
        connect(view, &GridView::cellPressed, this,
                [this, id = id](int r, int c, Qt::MouseButton) { m_model.sorting().mouseDown(id, r, c); });
        connect(view, &GridView::cellReleased, this,
                [this, id = id](int r, int c, Qt::MouseButton) { m_model.sorting().mouseUp(id, r, c); });
        m_models[static_cast<int>(id)] = model;
        m_views[static_cast<int>(id)] = view;
        page->layout()->addWidget(view);
        static_cast<QVBoxLayout*>(page->layout())->setStretchFactor(view, 1);
    }

    QWidget* graph = m_pages.value(QStringLiteral("TabSheet42"));
    graph->layout()->addWidget(new ChartPage(m_model.chartModel(), graph));

    QWidget* results = m_pages.value(QStringLiteral("TabSheet3"));
    results->layout()->addWidget(new ResultsPage(m_model.results(), results));
    m_browse = new OddsBrowsePage(m_model.momentView(), m_pages.value(QStringLiteral("TabSheet40")),
                                  m_pages.value(QStringLiteral("TabSheet41")),
                                  m_pages.value(QStringLiteral("TabSheet57")));
}

void MainPages::buildStrips()
{
    auto insertStrip = [this](const char* pageName) {
        QWidget* page = m_pages.value(QString::fromLatin1(pageName));
        QWidget* s = strip(page);
        static_cast<QVBoxLayout*>(page->layout())->insertWidget(0, s);
        return s;
    };
    auto label = [this](QWidget* s, const char* name, int minWidth) {
        auto* l = new QLabel(s);
        l->setObjectName(QString::fromLatin1(name));
        l->setMinimumWidth(minWidth);
        s->layout()->addWidget(l);
        m_labels.insert(l->objectName(), l);
        return l;
    };

    // 出馬表: the standard deviation of the win shares.
    QWidget* s = insertStrip("TabSheet2");
    s->layout()->addWidget(new QLabel(u("標準偏差"), s));
    label(s, "HensaLabel", 80);
    static_cast<QHBoxLayout*>(s->layout())->addStretch(1);

    // 時差比較: the selected time.
    s = insertStrip("TabSheet52");
    s->layout()->addWidget(new QLabel(u("選択時刻"), s));
    label(s, "SelTimeLabel", 100);
    static_cast<QHBoxLayout*>(s->layout())->addStretch(1);

    // 馬連・枠連: caption and count.
    s = insertStrip("TabSheet32");
    s->layout()->addWidget(new QLabel(u("枠連馬連有利度比較"), s));
    s->layout()->addWidget(new QLabel(u("該当数"), s));
    label(s, "WKUMCTLabel", 60);
    static_cast<QHBoxLayout*>(s->layout())->addStretch(1);

    using presentation::MatrixModel;
    // 券種別オッズ比較: folding and the difference/ratio switch.
    s = insertStrip("TabSheet38");
    m_radio15 = radioGroup(s, MatrixModel::RadioGroup15Caption(),
                           {MatrixModel::RadioGroup15Item(0), MatrixModel::RadioGroup15Item(1),
                            MatrixModel::RadioGroup15Item(2)},
                           "RadioGroup15");
    m_radio3 = radioGroup(s, MatrixModel::RadioGroup3Caption(),
                          {MatrixModel::RadioGroup3Item(0), MatrixModel::RadioGroup3Item(1)}, "RadioGroup3");
    static_cast<QHBoxLayout*>(s->layout())->addStretch(1);
    connect(m_radio15, &QButtonGroup::idClicked, this, [this](int i) { m_model.matrix().RadioGroup15Click(i); });
    connect(m_radio3, &QButtonGroup::idClicked, this, [this](int i) { m_model.matrix().RadioGroup3Click(i); });

    // 断層表: the four thresholds, colouring follows each keystroke.
    s = insertStrip("TabSheet10");
    for (int i = 0; i < 4; ++i) {
        s->layout()->addWidget(new QLabel(qs(MatrixModel::thresholdCaption(i)), s));
        auto* edit = new QLineEdit(s);
        edit->setObjectName(QStringLiteral("SEdit%1").arg(i + 1));
        edit->setMaximumWidth(56);
        m_sedit[i] = edit;
        s->layout()->addWidget(edit);
        auto* suffix = new QLabel(qs(MatrixModel::thresholdSuffix()), s);
        suffix->setObjectName(QStringLiteral("SEditSuffix%1").arg(i + 1));
        s->layout()->addWidget(suffix);
        connect(edit, &QLineEdit::textEdited, this, [this, i, edit](const QString& t) {
            const std::string cp932 = text::fromUtf8(t.toStdString());
            if (!MatrixModel::acceptableThresholdText(cp932)) {
                thresholdTextChanged(i); // back to the last accepted text
                return;
            }
            m_model.SEditChange(i, cp932);
            for (GridId g : {GridId::StringGrid20, GridId::StringGrid21, GridId::StringGrid22, GridId::StringGrid23})
                if (GridView* v = view(g))
                    v->viewport()->update();
        });
    }
    static_cast<QHBoxLayout*>(s->layout())->addStretch(1);

    // 馬連マトリクス: rebuild button and the order of the rows.
    s = insertStrip("TabSheet31");
    auto* matrixBtn = new QPushButton(qs(MatrixModel::MatrixBtnCaption()), s);
    matrixBtn->setObjectName(QStringLiteral("MatrixBtn"));
    s->layout()->addWidget(matrixBtn);
    std::vector<std::string> bases;
    for (int i = 0; i < presentation::kMatrixBasisCount; ++i)
        bases.push_back(presentation::matrixBasisText(presentation::matrixBasisOf(i)));
    m_radio4 = radioGroup(s, MatrixModel::RadioGroup4Caption(), bases, "RadioGroup4");
    static_cast<QHBoxLayout*>(s->layout())->addStretch(1);
    connect(matrixBtn, &QPushButton::clicked, this, [this] { m_model.matrix().MatrixBtnClick(); });
    connect(m_radio4, &QButtonGroup::idClicked, this, [this](int i) { m_model.matrix().RadioGroup4Click(i); });
}

void MainPages::switchesChanged()
{
    auto check = [](QButtonGroup* g, int i) {
        if (g && g->button(i))
            g->button(i)->setChecked(true);
    };
    check(m_radio4, m_model.matrix().RadioGroup4ItemIndex());
    check(m_radio3, m_model.matrix().RadioGroup3ItemIndex());
    check(m_radio15, m_model.matrix().RadioGroup15ItemIndex());
}

void MainPages::thresholdTextChanged(int index)
{
    if (index >= 0 && index < 4 && m_sedit[index])
        m_sedit[index]->setText(qs(m_model.matrix().SEditText(index)));
}

GridView* MainPages::view(presentation::GridId id) const
{
    auto it = m_views.find(static_cast<int>(id));
    return it == m_views.end() ? nullptr : it->second;
}

presentation::ActivePage MainPages::activePage() const
{
    presentation::ActivePage a;
    a.page = presentation::mainPageAt(m_pageControl->currentIndex());
    QWidget* current = m_pageControl->currentWidget();
    if (auto* scroll = qobject_cast<QScrollArea*>(current))
        current = scroll->widget();
    if (auto* inner = current ? current->findChild<QTabWidget*>(QString(), Qt::FindDirectChildrenOnly) : nullptr) {
        a.inner = inner->currentIndex();
        if (a.page == presentation::MainPage::TabSheet50) {
            auto* deeper = m_pages.value(a.inner == 0 ? QStringLiteral("PageControl7") : QStringLiteral("PageControl8"));
            if (auto* tabs = qobject_cast<QTabWidget*>(deeper))
                a.innerInner = tabs->currentIndex();
        }
    }
    return a;
}

void MainPages::refreshMomentView()
{
    const presentation::SelectedMomentView& v = m_model.momentView();
    const std::pair<const char*, const std::string*> texts[] = {
        {"HensaLabel", &v.HensaLabel}, {"SelTimeLabel", &v.SelTimeLabel}, {"WKUMCTLabel", &v.WKUMCTLabel}};
    for (const auto& [name, text] : texts)
        if (QLabel* l = m_labels.value(QString::fromLatin1(name)))
            l->setText(qs(*text));
    if (m_browse)
        m_browse->refresh();
}

} // namespace tidemark::gui
