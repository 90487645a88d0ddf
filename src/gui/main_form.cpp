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

#include <algorithm>

#include "gui/backtest_form.h"
#include "gui/get_data_form.h"
#include "gui/main_pages.h"
#include "gui/movers_form.h"
#include "gui/alert_forms.h"
#include "gui/odds_watch_bar.h"
#include "gui/oz_get_form.h"
#include "gui/tokutei_jikoku_form.h"
#include "gui/qt_host.h"
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

    m_ozGetForm = new TOzGetForm(m_model.ozGet(), this);
    m_tokuteiForm = new TTokuteiJikokuForm(m_model.tokutei(), this);
    m_backtestForm = new TBacktestForm(m_model.backtest(), this);
    // Made now, hidden: the alert list is what notifies the desktop, and a bettor who
    // never opened it still wants the notification.
    m_alertForm = new TAlertListForm(m_model.alerts(), m_model.alertRules(), this);
    // A bet opened from the backtest shows its race here.
    connect(m_backtestForm, &TBacktestForm::raceOpened, this, [this] {
        raise();
        activateWindow();
    });
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
    // The header, with the copy button and its notice at its right.
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(m_header, 1);
    auto* copyBox = new QVBoxLayout;
    auto* clip = new QPushButton(qs(presentation::ClipboardExport::ClipBtn1Caption()), Panel1);
    clip->setObjectName(QStringLiteral("ClipBtn1"));
    clip->setStatusTip(qs(presentation::ClipboardExport::ClipBtn1Hint()));
    clip->setToolTip(clip->statusTip());
    connect(clip, &QPushButton::clicked, this,
            [this] { m_model.clipboard().ClipBtn1Click(m_mainPages->activePage()); });
    m_copyNotice = new QLabel(qs(presentation::ClipboardExport::Label1Caption()), Panel1);
    m_copyNotice->setObjectName(QStringLiteral("Label1"));
    m_copyNotice->setStyleSheet(QStringLiteral("color:#FF0000; background:#000000; font-weight:bold; padding:2px;"));
    m_copyNotice->hide();
    copyBox->addWidget(clip);
    copyBox->addWidget(m_copyNotice);
    copyBox->addStretch(1);
    top->addLayout(copyBox);
    analysis->addLayout(top);
    PageControl1 = new QTabWidget(Panel1);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    analysis->addWidget(PageControl1, 1);
    split->addWidget(Panel1);
    split->setStretchFactor(1, 1);
    v->addWidget(split, 1);
    setCentralWidget(central);
    buildPages();

    // One simple panel; hints of the control under the mouse appear here, the odds watch
    // at its right.
    statusBar()->setObjectName(QStringLiteral("StatusLine"));
    statusBar()->setSizeGripEnabled(true);
    m_watchBar = new OddsWatchBar(m_model, this, *statusBar());

    // Texts the model draws on the window's surface ("no odds for this race"): at their
    // place over the client area, until the model takes them away.
    m_transientText = new QLabel(central);
    m_transientText->setObjectName(QStringLiteral("TransientText"));
    m_transientText->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_transientText->setAutoFillBackground(true); // readable where it lies over a page
    m_transientText->hide();
    // The one such text says a race has no odds; at the spot the model names it would lie
    // on the first runner's name and jockey in this layout, so it goes over the list of
    // moments instead, which a race without odds leaves empty.
    m_transientText->setWordWrap(true);
    connect(&m_host, &QtHost::transientText, this, [this](int, int, const QString& text) {
        m_transientText->setText(text);
        const QRect list(TimeCombo->mapTo(centralWidget(), QPoint(0, 0)), TimeCombo->size());
        const int width = std::max(1, list.width() - 8);
        m_transientText->setFixedWidth(width);
        m_transientText->setFixedHeight(m_transientText->heightForWidth(width));
        m_transientText->move(list.topLeft() + QPoint(4, 4));
        m_transientText->show();
        m_transientText->raise();
    });
    connect(&m_host, &QtHost::transientTextsCleared, this, [this] { m_transientText->hide(); });
    m_serviceLabel = new QLabel(u(texts::kSimulatedServiceCaption), this);
    m_serviceLabel->setObjectName(QStringLiteral("ServiceLabel"));
    m_serviceLabel->setVisible(false);
    statusBar()->addPermanentWidget(m_serviceLabel);
}

void TMainForm::showSimulatedService(bool simulated)
{
    m_serviceLabel->setVisible(simulated);
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

void TMainForm::oddsWatchChanged()
{
    if (m_watchBar)
        m_watchBar->showState();
}

void TMainForm::momentViewChanged()
{
    m_racePanel->labelsChanged();
    if (m_mainPages)
        m_mainPages->refreshMomentView();
}

void TMainForm::buildMenus()
{
    QMenu* file = menuBar()->addMenu(u(texts::kMenuFile));
    file->addAction(u(texts::kMenuTokutei), this, [this] {
            m_tokuteiForm->execFor(m_model.panel().DateCombo().itemIndex >= 0, m_model.exportDay());
        })->setObjectName(QStringLiteral("N9"));
    backtestMenu = file->addAction(u(texts::kMenuBacktest), this, [this] { m_backtestForm->showForm(); });
    // The button bar is full at the window's first size: the alerts open from the menu.
    file->addAction(u("アラート"), this, &TMainForm::AlertsBtnClick)->setObjectName(QStringLiteral("AlertsMenu"));
    backtestMenu->setObjectName(QStringLiteral("BacktestMenu"));
    backtestMenu->setStatusTip(u(texts::kHintBacktest));
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
    connect(add("JVBtn", texts::kBtnJV, nullptr), &QPushButton::clicked, this, &TMainForm::JVBtnClick);
    connect(add("OzGetBtn", texts::kBtnOzGet, nullptr), &QPushButton::clicked, this, [this] {
        m_ozGetForm->execFor(m_model.panel().DateCombo().text());
    });
    connect(add("Closebtn", texts::kBtnClose, nullptr), &QPushButton::clicked, this, &QWidget::close);
    connect(add("HelpBtn", texts::kBtnHelp, nullptr), &QPushButton::clicked, this,
            [this] { m_model.HelpContentsItemClick(); });
    connect(add("VersionBtn", texts::kBtnVersion, nullptr), &QPushButton::clicked, this,
            &TMainForm::VersionBtnClick);
    connect(add("KekkaGetBtn", texts::kBtnKekkaGet, texts::kHintKekkaGet), &QPushButton::clicked, this,
            [this] { m_model.KekkaGetBtnClick(); });
    connect(add("SokuhoOddsBtn", texts::kBtnSokuhoOdds, texts::kHintSokuhoOdds), &QPushButton::clicked, this,
            [this] { m_model.SokuhoOddsBtnClick(); });
    connect(add("MoversBtn", texts::kBtnMovers, texts::kHintMovers), &QPushButton::clicked, this,
            &TMainForm::MoversBtnClick);
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
    m_mainPages = new MainPages(m_model, PageControl1);
    m_model.clipboard().setObserver(this);
}

// "データ取得": the import window lives while it is open; closing it rebuilds the day list.
void TMainForm::JVBtnClick()
{
    showGetDataForm(this, m_model.channel(), m_model.host(), m_model.recordStore(), m_model.settings(),
                    [this] { m_model.panel().importWindowClosed(); });
}

QWidget* TMainForm::page(const QString& name) const
{
    return m_mainPages ? m_mainPages->page(name) : nullptr;
}

void TMainForm::label1Changed()
{
    m_copyNotice->setVisible(m_model.clipboard().Label1Visible());
}

void TMainForm::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (m_shown)
        return;
    m_shown = true;
    // The stored placement is the window's outer bounds, frame included, as any other
    // program writing it means it: now that the frame is known, the inside gives way.
    const WindowPlacement p = m_model.placement();
    const QSize frame = frameGeometry().size() - size();
    if (frame.width() > 0 || frame.height() > 0)
        resize(p.width - frame.width(), p.height - frame.height());
    bool ready = m_model.firstShow();
    Q_EMIT firstShown(ready);
}

void TMainForm::closeEvent(QCloseEvent* e)
{
    const QRect outer = frameGeometry();
    WindowPlacement p;
    p.top = outer.top();
    p.left = outer.left();
    p.width = outer.width();
    p.height = outer.height();
    m_model.close(p);
    e->accept();
}

// "オッズ急変": the movers board of the loaded day, in a window of its own.
void TMainForm::MoversBtnClick()
{
    if (!m_moversForm)
        m_moversForm = new TMoversForm(m_model.movers(), this);
    m_moversForm->showBoard();
}

// "アラート": the alerts the watch's odds raised, in a window of its own.
void TMainForm::AlertsBtnClick()
{
    m_alertForm->showList();
}

void TMainForm::VersionBtnClick()
{
    VersionForm f(QString::fromUtf8(m_model.versionText().c_str()), this);
    f.exec();
}

} // namespace tidemark::gui
