#include "gui/oz_get_form.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/qt_host.h"

namespace tidemark::gui {
namespace {

using presentation::OzGetModel;

constexpr Qt::WindowFlags kCloseBoxOnly = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

QPushButton* button(const std::string& caption, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(qs(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QLabel* plainLabel(const char* name, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

TOzGetForm::TOzGetForm(OzGetModel& model, QWidget* parent) : QDialog(parent, kCloseBoxOnly), m_model(model)
{
    setObjectName(QStringLiteral("TOzGetForm"));
    setWindowTitle(qs(OzGetModel::caption()));
    setModal(true);

    DateCombo = new QComboBox(this);
    DateCombo->setObjectName(QStringLiteral("DateCombo"));
    DateCombo->setMaxVisibleItems(OzGetModel::kDateComboDropDownCount);
    // Wide enough for a whole day label and the drop-down arrow.
    DateCombo->setFixedWidth(DateCombo->fontMetrics().horizontalAdvance(QStringLiteral("2024年01月15日")) + 52);
    ButtonStart = button(OzGetModel::buttonStartCaption(), "ButtonStart", this);
    DLmonthBtn = button(OzGetModel::dlMonthBtnCaption(), "DLmonthBtn", this);
    DLyearBtn = button(OzGetModel::dlYearBtnCaption(), "DLyearBtn", this);
    ButtonCancel = button(OzGetModel::buttonCancelCaption(), "ButtonCancel", this);
    ErrorLabel = plainLabel("ErrorLabel", this);
    ErrorLabel->setStyleSheet(QStringLiteral("color: #C00000;"));
    ProgressLabel = plainLabel("ProgressLabel", this);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);

    // The day and what to import on the left, the cancel button on the right, the last
    // error under them across the window.
    auto* controls = new QGridLayout;
    controls->setHorizontalSpacing(4);
    controls->setVerticalSpacing(3);
    controls->addWidget(DateCombo, 0, 0);
    controls->addWidget(ButtonStart, 0, 1);
    controls->addWidget(ButtonCancel, 0, 3);
    controls->addWidget(DLmonthBtn, 1, 0);
    controls->addWidget(DLyearBtn, 1, 1);
    controls->addWidget(ErrorLabel, 2, 0, 1, 4);
    controls->setColumnStretch(2, 1);

    auto* bottom = new QFrame(this);
    bottom->setObjectName(QStringLiteral("Panel1"));
    bottom->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* b = new QVBoxLayout(bottom);
    b->setContentsMargins(6, 2, 6, 3);
    b->setSpacing(2);
    b->addWidget(ProgressLabel);
    b->addWidget(ProgressBar1);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(6, 5, 6, 5);
    v->setSpacing(3);
    v->addLayout(controls);
    v->addStretch(1);
    v->addWidget(bottom);

    setFixedSize(OzGetModel::kWidth, OzGetModel::kHeight);

    connect(DateCombo, &QComboBox::activated, this, [this](int index) {
        m_model.DateComboChange(index);
        refresh(); // an ignored pick puts the list back on the model's day
    });
    connect(ButtonStart, &QPushButton::clicked, this, [this] { m_model.ButtonStartClick(); });
    connect(DLmonthBtn, &QPushButton::clicked, this, [this] { m_model.DLmonthBtnClick(); });
    connect(DLyearBtn, &QPushButton::clicked, this, [this] { m_model.DLyearBtnClick(); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { m_model.ButtonCancelClick(); });

    m_model.setOnChange([this] { refresh(); });
    // Queued: the import that was told to stop is still unwinding when it says so.
    m_model.setOnCloseReady([this] { QMetaObject::invokeMethod(this, [this] { reject(); }, Qt::QueuedConnection); });
    refresh();
}

TOzGetForm::~TOzGetForm()
{
    m_model.setOnChange({});
    m_model.setOnCloseReady({});
}

int TOzGetForm::execFor(std::string_view mainDayLabel)
{
    m_model.showFor(mainDayLabel);
    refresh();
    return exec();
}

void TOzGetForm::done(int r)
{
    if (!m_model.FormCloseQuery())
        return; // onCloseReady closes the window when the import has ended
    QDialog::done(r);
}

void TOzGetForm::refresh()
{
    const auto& items = m_model.DateComboItems();
    {
        QSignalBlocker block(DateCombo);
        // Refreshed at every race of an import: the list is rebuilt only when it changed.
        if (items != m_shownItems) {
            DateCombo->clear();
            for (const std::string& label : items)
                DateCombo->addItem(qs(label));
            m_shownItems = items;
        }
        DateCombo->setCurrentIndex(m_model.DateComboIndex());
    }
    ErrorLabel->setText(qs(m_model.ErrorLabel()));
    ErrorLabel->setToolTip(ErrorLabel->text()); // a long service message is cut at the window's edge
    ProgressLabel->setText(qs(m_model.ProgressLabel()));
    const acquisition::ProgressBar& bar = m_model.ProgressBar1();
    // A maximum of 0 (an empty race list) would turn the bar into a busy indicator.
    ProgressBar1->setRange(0, std::max(1, bar.maximum));
    ProgressBar1->setValue(std::clamp(bar.position, 0, ProgressBar1->maximum()));
    const bool idle = !m_model.importRunning();
    DateCombo->setEnabled(idle);
    ButtonStart->setEnabled(idle);
    DLmonthBtn->setEnabled(idle);
    DLyearBtn->setEnabled(idle);
}

} // namespace tidemark::gui
