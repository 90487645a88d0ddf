#include "gui/main_form.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/grid_table_model.h"
#include "gui/grid_view.h"
#include "gui/odds_browse_page.h"
#include "gui/qt_host.h"
#include "gui/results_page.h"
#include "gui/race_panel.h"
#include "gui/time_dialogs.h"
#include "gui/version_form.h"
#include "presentation/main_window_texts.h"

namespace tidemark::gui {
namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

} // namespace

TMainForm::TMainForm(MainWindowModel& model, QtHost& host, QWidget* parent)
    : QMainWindow(parent), m_model(model), m_host(host)
{
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(u(texts::kAppTitle));
    m_host.setMainWindow(this);

    WindowPlacement p = m_model.placement();
    move(p.left, p.top);
    resize(p.width, p.height);

    buildMenus();
    m_model.setObserver(this);

    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(buildButtonBar());
    auto* split = new QSplitter(Qt::Horizontal, central);
    split->addWidget(buildLeftPanel());
    // Panel1: the race header over the pages of the analysis.
    Panel1 = new QWidget(split);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* analysis = new QVBoxLayout(Panel1);
    analysis->setContentsMargins(0, 0, 0, 0);
    analysis->setSpacing(0);
    m_header->setParent(Panel1);
    analysis->addWidget(m_header);
    PageControl1 = new QTabWidget(Panel1);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    analysis->addWidget(PageControl1, 1);
    split->addWidget(Panel1);
    split->setStretchFactor(1, 1);
    v->addWidget(split, 1);
    setCentralWidget(central);
    buildPages();

    // One simple panel; hints of the control under the mouse appear here.
    statusBar()->setObjectName(QStringLiteral("StatusLine"));
    statusBar()->setSizeGripEnabled(true);
}

TMainForm::~TMainForm()
{
    m_model.setObserver(nullptr);
}

void TMainForm::statusLabelChanged()
{
    DLlabel->setText(qs(m_model.DLlabel()));
    DLlabel->repaint();
}

void TMainForm::momentViewChanged()
{
    m_racePanel->labelsChanged();
    const presentation::SelectedMomentView& v = m_model.momentView();
    const std::pair<const char*, const std::string*> texts[] = {
        {"HensaLabel", &v.HensaLabel}, {"SelTimeLabel", &v.SelTimeLabel}, {"WKUMCTLabel", &v.WKUMCTLabel}};
    for (const auto& [name, text] : texts)
        if (QLabel* l = m_momentLabels.value(QString::fromLatin1(name)))
            l->setText(qs(*text));
    if (m_browse)
        m_browse->refresh();
}

void TMainForm::buildMenus()
{
    QMenu* file = menuBar()->addMenu(u(texts::kMenuFile));
    file->addAction(u(texts::kMenuTokutei))->setObjectName(QStringLiteral("N9"));
    file->addSeparator();
    QAction* exit = file->addAction(u(texts::kMenuExit), this, &QWidget::close);
    exit->setStatusTip(u(texts::kHintExit));

    QMenu* opt = menuBar()->addMenu(u(texts::kMenuOption));
    opt->addAction(u(texts::kMenuFirstTime), this, [this] { showFirstTimeForm(this, m_model.settings(), m_host); })
        ->setObjectName(QStringLiteral("F1"));
    opt->addAction(u(texts::kMenuAutoTime), this, [this] { showOzGetTimeForm(this, m_model.settings(), m_host); })
        ->setObjectName(QStringLiteral("A1"));
    opt->addAction(u(texts::kMenuThreeTimes), this, [this] { showTimeAddForm(this, m_model.settings(), m_host); })
        ->setObjectName(QStringLiteral("N5"));
    opt->addSeparator();
    maeuriMenu = opt->addAction(u(texts::kMenuMaeuri));
    maeuriMenu->setCheckable(true);
    maeuriMenu->setChecked(m_model.maeuriChecked());
    maeuriMenu->setStatusTip(u(texts::kHintMaeuri));
    connect(maeuriMenu, &QAction::triggered, this, [this] {
        m_model.maeuriMenuClick();
        maeuriMenu->setChecked(m_model.maeuriChecked());
    });
    QMenu* sd = opt->addMenu(u(texts::kMenuStdDev));
    auto* group = new QActionGroup(sd);
    stdevSample = sd->addAction(u(texts::kMenuStdevSample));
    stdevPopulation = sd->addAction(u(texts::kMenuStdevPopulation));
    for (QAction* a : {stdevSample, stdevPopulation}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    (m_model.stdDevKind() == 0 ? stdevSample : stdevPopulation)->setChecked(true);
    connect(stdevSample, &QAction::triggered, this, [this] { m_model.STDEVClick(0); });
    connect(stdevPopulation, &QAction::triggered, this, [this] { m_model.STDEVClick(1); });

    QMenu* win = menuBar()->addMenu(u(texts::kMenuWindow));
    win->menuAction()->setVisible(false);

    QMenu* help = menuBar()->addMenu(u(texts::kMenuHelp));
    QAction* manual = help->addAction(u(texts::kMenuManual), this, [this] { m_model.HelpContentsItemClick(); });
    manual->setStatusTip(u(texts::kHintManual));
    help->addAction(u(texts::kMenuVersion), this, &TMainForm::VersionBtnClick);
}

QWidget* TMainForm::buildButtonBar()
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("ButtonBar"));
    bar->setAutoFillBackground(true);
    QPalette pal = bar->palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xDC, 0xC0)); // clMoneyGreen
    bar->setPalette(pal);
    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(4, 3, 4, 3);
    auto add = [&](const char* name, const char* caption, const char* hint) {
        auto* b = new QPushButton(u(caption), bar);
        b->setObjectName(QString::fromLatin1(name));
        if (hint) {
            b->setStatusTip(u(hint));
            b->setToolTip(u(hint));
        }
        h->addWidget(b);
        return b;
    };
    add("JVBtn", texts::kBtnJV, nullptr);
    add("OzGetBtn", texts::kBtnOzGet, nullptr);
    connect(add("Closebtn", texts::kBtnClose, nullptr), &QPushButton::clicked, this, &QWidget::close);
    connect(add("HelpBtn", texts::kBtnHelp, nullptr), &QPushButton::clicked, this,
            [this] { m_model.HelpContentsItemClick(); });
    connect(add("VersionBtn", texts::kBtnVersion, nullptr), &QPushButton::clicked, this,
            &TMainForm::VersionBtnClick);
    connect(add("KekkaGetBtn", texts::kBtnKekkaGet, texts::kHintKekkaGet), &QPushButton::clicked, this,
            [this] { m_model.KekkaGetBtnClick(); });
    connect(add("SokuhoOddsBtn", texts::kBtnSokuhoOdds, texts::kHintSokuhoOdds), &QPushButton::clicked, this,
            [this] { m_model.SokuhoOddsBtnClick(); });
    h->addStretch(1);
    return bar;
}

QWidget* TMainForm::buildLeftPanel()
{
    m_header = new RaceHeaderPanel(this);
    m_racePanel = new RacePanel(m_model.panel(), *m_header, this);
    DateCombo = m_racePanel->DateCombo;
    DatList = m_racePanel->DatList;
    TimeCombo = m_racePanel->TimeCombo;
    DLlabel = m_racePanel->DLlabel;
    connect(m_racePanel, &RacePanel::panelsVisibilityChanged, this, [this] {
        Panel1->setVisible(m_model.panel().Panel1Visible());
        PageControl1->setVisible(m_model.panel().PageControl1Visible());
    });
    return m_racePanel;
}

void TMainForm::buildPages()
{
    struct Sub {
        const char* name;
        const char* caption;
    };
    struct Page {
        const char* name;
        const char* caption;
        const char* inner;                  // nested page control, or nullptr
        std::initializer_list<Sub> subs;
    };
    const Page pages[] = {
        {"TabSheet2", "出馬表", nullptr, {}},
        {"TabSheet33", "３系列オッズ表", "PageControl12",
         {{"TabSheet34", "単勝"}, {"TabSheet35", "複勝(低)"}, {"TabSheet37", "複勝(高)"}, {"TabSheet36", "馬連(疑似)"}}},
        {"TabSheet50", "異常オッズ発見", "PageControl6", {{"TabSheet51", "単複比較"}, {"TabSheet52", "時差比較"}}},
        {"TabSheet38", "券種別オッズ比較", nullptr, {}},
        {"TabSheet10", "断層表", "PageControl2",
         {{"TabSheet19", "単勝"}, {"TabSheet23", "複勝(低)"}, {"TabSheet24", "複勝(高)"}, {"TabSheet25", "馬連"}}},
        {"TabSheet31", "馬連マトリクス", nullptr, {}},
        {"TabSheet26", "時系列ｵｯｽﾞ表", "PageControl10",
         {{"TabSheet26a", "単勝"}, {"TabSheet26b", "複勝"}, {"TabSheet26c", "枠連"}, {"TabSheet26d", "馬連"}}},
        {"TabSheet12", "時系列人気表", "PageControl4",
         {{"TabSheet12a", "単勝"}, {"TabSheet12b", "複勝"}, {"TabSheet12c", "枠連"}, {"TabSheet12d", "馬連"}}},
        {"TabSheet13", "時系列得票表", "PageControl5",
         {{"TabSheet13a", "単勝"}, {"TabSheet13b", "複勝"}, {"TabSheet13c", "枠連"}, {"TabSheet13d", "馬連"}}},
        {"TabSheet32", "馬連・枠連", nullptr, {}},
        {"TabSheet42", "グラフ", nullptr, {}},
        {"TabSheet39", "オッズ閲覧", "PageControl13",
         {{"TabSheet40", "単複枠"}, {"TabSheet41", "馬連"}, {"TabSheet57", "人気順"}}},
        {"TabSheet3", "成績結果", nullptr, {}},
        {"TabSheet1", "オッズ閲覧", nullptr, {}},
    };
    for (const Page& p : pages) {
        auto* w = new QWidget(PageControl1);
        w->setObjectName(QString::fromLatin1(p.name));
        m_pages.insert(w->objectName(), w);
        if (p.inner) {
            auto* lay = new QVBoxLayout(w);
            lay->setContentsMargins(0, 0, 0, 0);
            auto* inner = new QTabWidget(w);
            inner->setObjectName(QString::fromLatin1(p.inner));
            m_pages.insert(inner->objectName(), inner);
            for (const Sub& s : p.subs) {
                auto* sw = new QWidget(inner);
                sw->setObjectName(QString::fromLatin1(s.name));
                m_pages.insert(sw->objectName(), sw);
                inner->addTab(sw, u(s.caption));
            }
            lay->addWidget(inner);
        }
        PageControl1->addTab(w, u(p.caption));
    }
    // TabSheet1 only holds the buttons the program clicks itself; its tab never shows.
    PageControl1->setTabVisible(PageControl1->count() - 1, false);
    placeGrids();
}

void TMainForm::placeGrids()
{
    using presentation::GridId;
    struct Placement {
        const char* page;
        std::initializer_list<GridId> grids; // top to bottom
    };
    const Placement placements[] = {
        {"TabSheet2", {GridId::StringGrid2}},
        {"TabSheet34", {GridId::StringGrid26}},
        {"TabSheet35", {GridId::StringGrid8}},
        {"TabSheet37", {GridId::StringGrid9}},
        {"TabSheet36", {GridId::StringGrid10}},
        {"TabSheet51", {GridId::StringGrid27, GridId::StringGrid28}},
        {"TabSheet52", {GridId::StringGrid29, GridId::StringGrid30}},
        {"TabSheet38", {GridId::StringGrid11}},
        {"TabSheet19", {GridId::StringGrid20}},
        {"TabSheet23", {GridId::StringGrid21}},
        {"TabSheet24", {GridId::StringGrid22}},
        {"TabSheet25", {GridId::StringGrid23}},
        {"TabSheet31", {GridId::StringGrid24}},
        {"TabSheet26a", {GridId::StringGrid4}},
        {"TabSheet26b", {GridId::StringGrid5}},
        {"TabSheet26c", {GridId::StringGrid6}},
        {"TabSheet26d", {GridId::StringGrid7}},
        {"TabSheet12a", {GridId::StringGrid12}},
        {"TabSheet12b", {GridId::StringGrid13}},
        {"TabSheet12c", {GridId::StringGrid14}},
        {"TabSheet12d", {GridId::StringGrid15}},
        {"TabSheet13a", {GridId::StringGrid16}},
        {"TabSheet13b", {GridId::StringGrid17}},
        {"TabSheet13c", {GridId::StringGrid18}},
        {"TabSheet13d", {GridId::StringGrid19}},
        {"TabSheet32", {GridId::StringGrid25}},
    };
    // Labels the moment analysis writes above a page's grids.
    const std::map<std::string_view, const char*> pageLabels = {
        {"TabSheet2", "HensaLabel"}, {"TabSheet52", "SelTimeLabel"}, {"TabSheet32", "WKUMCTLabel"}};
    for (const Placement& p : placements) {
        QWidget* page = m_pages.value(QString::fromLatin1(p.page));
        auto* lay = new QVBoxLayout(page);
        lay->setContentsMargins(0, 0, 0, 0);
        lay->setSpacing(2);
        if (auto it = pageLabels.find(p.page); it != pageLabels.end()) {
            auto* l = new QLabel(page);
            l->setObjectName(QString::fromLatin1(it->second));
            lay->addWidget(l);
            m_momentLabels.insert(l->objectName(), l);
        }
        for (GridId id : p.grids) {
            auto* model = new GridTableModel(id, m_model.grids()[id], this);
            auto* view = new GridView(*model, page);
            { const std::string_view n = presentation::gridName(id); view->setObjectName(QString::fromLatin1(n.data(), static_cast<qsizetype>(n.size()))); }
            m_gridModels[static_cast<int>(id)] = model;
            lay->addWidget(view, 1);
        }
    }

    auto* resultsLayout = new QVBoxLayout(m_pages.value(QStringLiteral("TabSheet3")));
    resultsLayout->addWidget(new ResultsPage(m_model.results(), m_pages.value(QStringLiteral("TabSheet3"))));
    m_browse = new OddsBrowsePage(m_model.momentView(), m_pages.value(QStringLiteral("TabSheet40")),
                                  m_pages.value(QStringLiteral("TabSheet41")),
                                  m_pages.value(QStringLiteral("TabSheet57")));
}

void TMainForm::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (m_shown)
        return;
    m_shown = true;
    bool ready = m_model.firstShow();
    Q_EMIT firstShown(ready);
}

void TMainForm::closeEvent(QCloseEvent* e)
{
    WindowPlacement p;
    p.top = pos().y();
    p.left = pos().x();
    p.width = width();
    p.height = height();
    m_model.close(p);
    e->accept();
}

void TMainForm::VersionBtnClick()
{
    VersionForm f(QString::fromUtf8(m_model.versionText().c_str()), this);
    f.exec();
}

} // namespace tidemark::gui
