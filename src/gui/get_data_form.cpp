#include "gui/get_data_form.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <algorithm>

#include "gui/qt_host.h"

namespace tidemark::gui {
namespace {

using presentation::GetDataModel;

constexpr Qt::WindowFlags kCloseBoxOnly = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

QLabel* fieldLabel(QWidget* parent, const char* name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    l->setTextFormat(Qt::PlainText);
    l->setMinimumHeight(22);
    return l;
}

QProgressBar* bar(QWidget* parent, const char* name)
{
    auto* b = new QProgressBar(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setTextVisible(false);
    return b;
}

void showBar(QProgressBar* b, const acquisition::ProgressBar& state)
{
    // A maximum of 0 would turn the bar into a busy indicator.
    b->setRange(0, std::max(1, state.maximum));
    b->setValue(std::clamp(state.position, 0, b->maximum()));
}

} // namespace

TGetDataForm::TGetDataForm(GetDataModel& model, QWidget* parent) : QDialog(parent, kCloseBoxOnly), m_model(model)
{
    setObjectName(QStringLiteral("TGetDataForm"));
    setWindowTitle(qs(GetDataModel::caption()));
    setModal(true);

    ButtonStart = new QPushButton(qs(GetDataModel::buttonStartCaption()), this);
    ButtonStart->setObjectName(QStringLiteral("ButtonStart"));
    ButtonStart->setAutoDefault(false);
    ButtonCancel = new QPushButton(qs(GetDataModel::buttonCancelCaption()), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setAutoDefault(false);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(qs(GetDataModel::speedButton1Caption()));
    SpeedButton1->setMinimumHeight(ButtonStart->sizeHint().height());

    auto* topBar = new QFrame(this);
    topBar->setObjectName(QStringLiteral("Panel1"));
    topBar->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto* top = new QHBoxLayout(topBar);
    top->setContentsMargins(6, 4, 6, 4);
    top->addWidget(ButtonStart);
    top->addWidget(ButtonCancel);
    top->addStretch(1);
    top->addWidget(SpeedButton1);

    GetDateLabel = fieldLabel(this, "GetDateLabel");
    DateTimePicker1 = new QToolButton(this);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->setArrowType(Qt::DownArrow);
    DateTimePicker1->setPopupMode(QToolButton::InstantPopup);
    DateTimePicker1->setMinimumHeight(22);
    auto* calendarMenu = new QMenu(DateTimePicker1);
    DateTimePicker1Calendar = new QCalendarWidget(calendarMenu);
    DateTimePicker1Calendar->setObjectName(QStringLiteral("DateTimePicker1Calendar"));
    DateTimePicker1Calendar->setGridVisible(true);
    auto* calendarAction = new QWidgetAction(calendarMenu);
    calendarAction->setDefaultWidget(DateTimePicker1Calendar);
    calendarMenu->addAction(calendarAction);
    DateTimePicker1->setMenu(calendarMenu);

    ProgressBar1 = bar(this, "ProgressBar1");
    ProgressBar2 = bar(this, "ProgressBar2");
    ProgressLabel = fieldLabel(this, "ProgressLabel");
    MkDataLabel = fieldLabel(this, "MkDataLabel");

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->addWidget(new QLabel(qs(GetDataModel::startDateCaption()), this), 0, 0);
    auto* dateRow = new QHBoxLayout;
    dateRow->setSpacing(0);
    dateRow->addWidget(GetDateLabel);
    dateRow->addWidget(DateTimePicker1);
    dateRow->addStretch(1);
    grid->addLayout(dateRow, 0, 1);
    grid->addWidget(new QLabel(qs(GetDataModel::downloadCaption()), this), 1, 0);
    grid->addWidget(ProgressBar1, 1, 1);
    grid->addWidget(new QLabel(qs(GetDataModel::readCaption()), this), 2, 0);
    grid->addWidget(ProgressBar2, 2, 1);
    grid->addWidget(new QLabel(qs(GetDataModel::makeDataCaption()), this), 3, 0);
    grid->addWidget(ProgressLabel, 3, 1);
    grid->addWidget(MkDataLabel, 4, 1);
    grid->setColumnStretch(1, 1);
    GetDateLabel->setMinimumWidth(130);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 8);
    v->addWidget(topBar);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(10, 4, 10, 0);
    body->addLayout(grid);
    v->addLayout(body);
    v->addStretch(1);

    setFixedSize(GetDataModel::kWidth, GetDataModel::kHeight);

    connect(ButtonStart, &QPushButton::clicked, this, [this] { m_model.ButtonStartClick(); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { m_model.ButtonCancelClick(); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { m_model.SpeedButton1Click(); });
    connect(calendarMenu, &QMenu::aboutToShow, this, [this] {
        const text::DateTime& t = m_model.DateTimePicker1();
        QSignalBlocker block(DateTimePicker1Calendar);
        DateTimePicker1Calendar->setSelectedDate(QDate(t.year, t.month, t.day));
    });
    auto picked = [this, calendarMenu](QDate date) {
        calendarMenu->close();
        calendarPicked(date);
    };
    connect(DateTimePicker1Calendar, &QCalendarWidget::clicked, this, picked);
    connect(DateTimePicker1Calendar, &QCalendarWidget::activated, this, picked);

    m_model.setOnChange([this] { refresh(); });
    // Queued: the read that was asked to stop is still unwinding when it says so.
    m_model.setOnCloseReady([this] { QMetaObject::invokeMethod(this, [this] { reject(); }, Qt::QueuedConnection); });
    refresh();
}

TGetDataForm::~TGetDataForm()
{
    m_model.setOnChange({});
    m_model.setOnCloseReady({});
}

void TGetDataForm::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!m_shown) {
        m_shown = true;
        m_model.FormShow();
    }
}

void TGetDataForm::done(int r)
{
    if (!m_model.FormCloseQuery())
        return; // onCloseReady closes the window when the read has stopped
    QDialog::done(r);
    m_model.FormClose();
}

void TGetDataForm::calendarPicked(const QDate& date)
{
    if (date.isValid())
        m_model.DateTimePicker1Change(date.year(), date.month(), date.day());
}

void TGetDataForm::refresh()
{
    GetDateLabel->setText(qs(m_model.GetDateLabel()));
    ProgressLabel->setText(qs(m_model.ProgressLabel()));
    MkDataLabel->setText(qs(m_model.MkDataLabel()));
    showBar(ProgressBar1, m_model.ProgressBar1());
    showBar(ProgressBar2, m_model.ProgressBar2());
    const bool idle = !m_model.transferRunning();
    ButtonStart->setEnabled(idle);
    SpeedButton1->setEnabled(idle);
    DateTimePicker1->setEnabled(idle);
}

void showGetDataForm(QWidget* parent, acquisition::NvChannel& channel, Host& host, store::RecordStore& store,
                     IniFile& settings, std::function<void()> onClosed)
{
    presentation::GetDataModel model(channel, host, store, settings, std::move(onClosed));
    TGetDataForm form(model, parent);
    form.exec();
}

} // namespace tidemark::gui
