#include "gui/alert_forms.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include "gui/grid_table_model.h"
#include "gui/grid_view.h"
#include "gui/qt_host.h"
#include "text/cp932.h"

namespace tidemark::gui {

using presentation::AlertListModel;
using presentation::AlertRulesDialogModel;

namespace {

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

std::string sjOf(const QString& s) { return text::fromUtf8(s.toStdString()); }

} // namespace

TAlertRulesDialog::TAlertRulesDialog(AlertRulesDialogModel& model, QWidget* parent) : QDialog(parent), m_model(model)
{
    setObjectName(QStringLiteral("TAlertRulesDialog"));
    setWindowTitle(qs(AlertRulesDialogModel::caption()));
    KindCombo = named(new QComboBox(this), "KindCombo");
    for (const std::string& item : AlertRulesDialogModel::kindItems())
        KindCombo->addItem(qs(item));
    PointsEdit = named(new QLineEdit(this), "PointsEdit");
    WindowEdit = named(new QLineEdit(this), "WindowEdit");
    RaceCombo = named(new QComboBox(this), "RaceCombo");
    HorseEdit = named(new QLineEdit(this), "HorseEdit");
    OddsEdit = named(new QLineEdit(this), "OddsEdit");
    AddBtn = named(new QPushButton(qs(text::sj("追加")), this), "AddBtn");
    RemoveBtn = named(new QPushButton(qs(text::sj("削除")), this), "RemoveBtn");
    RuleList = named(new QListWidget(this), "RuleList");
    SoundCheck = named(new QCheckBox(qs(AlertRulesDialogModel::soundCaption()), this), "SoundCheck");
    NotifyCheck = named(new QCheckBox(qs(AlertRulesDialogModel::notifyCaption()), this), "NotifyCheck");
    OkBtn = named(new QPushButton(QStringLiteral("OK"), this), "OkBtn");
    CancelBtn = named(new QPushButton(qs(text::sj("キャンセル")), this), "CancelBtn");
    for (QPushButton* b : {AddBtn, RemoveBtn, OkBtn, CancelBtn})
        b->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(qs(text::sj("種類")), KindCombo);
    form->addRow(qs(text::sj("ポイント")), PointsEdit);
    form->addRow(qs(text::sj("分以内")), WindowEdit);
    form->addRow(qs(text::sj("レース")), RaceCombo);
    form->addRow(qs(text::sj("馬番")), HorseEdit);
    form->addRow(qs(text::sj("単勝オッズ")), OddsEdit);
    auto* edit = new QHBoxLayout;
    edit->addWidget(AddBtn);
    edit->addWidget(RemoveBtn);
    edit->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SoundCheck);
    buttons->addWidget(NotifyCheck);
    buttons->addStretch(1);
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addLayout(edit);
    v->addWidget(RuleList, 1);
    v->addLayout(buttons);

    connect(KindCombo, &QComboBox::activated, this, [this](int i) {
        m_model.KindComboChange(i);
        refresh();
    });
    connect(PointsEdit, &QLineEdit::textEdited, this, [this](const QString& t) { m_model.PointsEditChange(sjOf(t)); });
    connect(WindowEdit, &QLineEdit::textEdited, this, [this](const QString& t) { m_model.WindowEditChange(sjOf(t)); });
    connect(RaceCombo, &QComboBox::activated, this, [this](int i) { m_model.RaceComboChange(i); });
    connect(HorseEdit, &QLineEdit::textEdited, this, [this](const QString& t) { m_model.HorseEditChange(sjOf(t)); });
    connect(OddsEdit, &QLineEdit::textEdited, this, [this](const QString& t) { m_model.OddsEditChange(sjOf(t)); });
    connect(AddBtn, &QPushButton::clicked, this, [this] {
        m_model.AddBtnClick();
        refresh();
    });
    connect(RemoveBtn, &QPushButton::clicked, this, [this] {
        m_model.RemoveBtnClick(RuleList->currentRow());
        refresh();
    });
    connect(SoundCheck, &QCheckBox::toggled, this, [this](bool on) { m_model.SoundCheckClick(on); });
    connect(NotifyCheck, &QCheckBox::toggled, this, [this](bool on) { m_model.NotifyCheckClick(on); });
    connect(OkBtn, &QPushButton::clicked, this, [this] {
        if (m_model.OkBtnClick())
            accept();
    });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    m_model.open();
    RaceCombo->clear();
    for (const std::string& item : m_model.raceItems())
        RaceCombo->addItem(qs(item));
    PointsEdit->setText(qs(m_model.points()));
    WindowEdit->setText(qs(m_model.window()));
    HorseEdit->setText(qs(m_model.horse()));
    OddsEdit->setText(qs(m_model.odds()));
    refresh();
}

void TAlertRulesDialog::refresh()
{
    KindCombo->setCurrentIndex(m_model.kind());
    for (QWidget* w : {static_cast<QWidget*>(PointsEdit), static_cast<QWidget*>(WindowEdit)})
        w->setEnabled(m_model.shareFieldsEnabled());
    for (QWidget* w : {static_cast<QWidget*>(RaceCombo), static_cast<QWidget*>(HorseEdit), static_cast<QWidget*>(OddsEdit)})
        w->setEnabled(m_model.oddsFieldsEnabled());
    RaceCombo->setCurrentIndex(m_model.raceIndex());
    RuleList->clear();
    for (const std::string& item : m_model.ruleItems())
        RuleList->addItem(qs(item));
    const QSignalBlocker a(SoundCheck);
    const QSignalBlocker b(NotifyCheck);
    SoundCheck->setChecked(m_model.settings().sound);
    NotifyCheck->setChecked(m_model.settings().notify);
}

TAlertListForm::TAlertListForm(AlertListModel& list, AlertRulesDialogModel& rules, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Window), m_list(list), m_rules(rules), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("TAlertListForm"));
    setWindowTitle(qs(AlertListModel::caption()));
    setModal(false);
    RulesBtn = named(new QPushButton(qs(AlertRulesDialogModel::caption()), this), "RulesBtn");
    ClearBtn = named(new QPushButton(qs(AlertListModel::clearCaption()), this), "ClearBtn");
    for (QPushButton* b : {RulesBtn, ClearBtn})
        b->setAutoDefault(false);
    m_gridModel = new GridTableModel(
        m_list.grid(),
        [](const presentation::TextGrid& grid, int row, int col, const presentation::StyleContext& context) {
            presentation::CellStyle s;
            if (row == 0)
                s.background = presentation::colours::silver;
            else
                s.align = col == 3 ? presentation::HAlign::Left : presentation::HAlign::Right;
            if (context.selected && !grid.isFixed(row, col))
                presentation::outlineSelection(s, grid, col);
            return s;
        },
        this);
    AlertGrid = new GridView(*m_gridModel, this);
    AlertGrid->setObjectName(QStringLiteral("AlertGrid"));
    auto* top = new QHBoxLayout;
    top->addWidget(RulesBtn);
    top->addStretch(1);
    top->addWidget(ClearBtn);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(6, 6, 6, 6);
    v->addLayout(top);
    v->addWidget(AlertGrid, 1);
    resize(AlertGrid->fullSize().width() + 40, 360);

    connect(RulesBtn, &QPushButton::clicked, this, [this] {
        TAlertRulesDialog d(m_rules, this);
        d.exec();
    });
    connect(ClearBtn, &QPushButton::clicked, this, [this] { m_list.ClearBtnClick(); });
    connect(AlertGrid, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        m_list.GridDblClick(index.row());
        if (m_mainWindow) {
            m_mainWindow->raise();
            m_mainWindow->activateWindow();
        }
    });
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = new QSystemTrayIcon(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation), this);
        m_tray->show();
    }
    m_list.setObserver(this);
}

TAlertListForm::~TAlertListForm() { m_list.setObserver(nullptr); }

void TAlertListForm::showList()
{
    show();
    raise();
    activateWindow();
}

void TAlertListForm::alertsChanged()
{
    AlertGrid->viewport()->update();
}

void TAlertListForm::notify(const std::string& title, const std::string& body)
{
    lastNotice = qs(title) + QLatin1Char('|') + qs(body);
    if (m_tray && QSystemTrayIcon::supportsMessages())
        m_tray->showMessage(qs(title), qs(body));
}

} // namespace tidemark::gui
