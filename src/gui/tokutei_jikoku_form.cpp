#include "gui/tokutei_jikoku_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <utility>

#include "gui/qt_host.h"

namespace tidemark::gui {
namespace {

constexpr Qt::WindowFlags kFixedDialog = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

QLabel* label(const std::string& cp932, QWidget* parent)
{
    auto* l = new QLabel(qs(cp932), parent);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QSpinBox* spin(const char* name, const SpinBoxState& s, QWidget* parent)
{
    auto* b = new QSpinBox(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setRange(s.minValue, s.maxValue);
    b->setValue(s.value);
    b->setAlignment(Qt::AlignRight);
    b->setMinimumWidth(56);
    return b;
}

// A radio group: a frame with its caption and one button per item, laid out in
// `columns` columns.
QGroupBox* radioGroup(const char* name, const std::string& caption, const std::vector<std::string>& items,
                      int columns, QButtonGroup*& group, QWidget* parent)
{
    auto* box = new QGroupBox(qs(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    group = new QButtonGroup(box);
    group->setObjectName(QString::fromLatin1(name) + QStringLiteral("Items"));
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(8, 4, 8, 6);
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto* r = new QRadioButton(qs(items[i]), box);
        const int id = static_cast<int>(i);
        group->addButton(r, id);
        grid->addWidget(r, id / columns, id % columns);
    }
    return box;
}

QGroupBox* section(const std::string& caption, QWidget* parent)
{
    auto* box = new QGroupBox(qs(caption), parent);
    return box;
}

} // namespace

TTokuteiJikokuForm::TTokuteiJikokuForm(TokuteiJikokuFormModel& model, QWidget* parent)
    : QDialog(parent, kFixedDialog), m_model(model)
{
    const auto& t = TokuteiJikokuFormModel::texts();
    setObjectName(QStringLiteral("TTokuteiJikokuForm"));
    setWindowTitle(qs(t.caption));
    setModal(true);

    RadioGroup1 = radioGroup("RadioGroup1", t.kindGroupCaption, t.kindItems, 3, RadioGroup1Items, this);

    QGroupBox* clock = section(t.clockLabel, this);
    SpinEdit4 = spin("SpinEdit4", m_model.SpinEdit4(), clock);
    SpinEdit5 = spin("SpinEdit5", m_model.SpinEdit5(), clock);
    auto* clockRow = new QHBoxLayout;
    clockRow->addWidget(SpinEdit4);
    clockRow->addWidget(label(t.hourUnit, clock));
    clockRow->addSpacing(8);
    clockRow->addWidget(SpinEdit5);
    clockRow->addWidget(label(t.minuteUnit, clock));
    clockRow->addStretch(1);
    auto* clockBox = new QVBoxLayout(clock);
    clockBox->setContentsMargins(8, 4, 8, 6);
    clockBox->addLayout(clockRow);
    clockBox->addWidget(label(t.clockNote, clock));

    QGroupBox* beforePost = section(t.beforePostLabel, this);
    SpinEdit3 = spin("SpinEdit3", m_model.SpinEdit3(), beforePost);
    auto* beforeRow = new QHBoxLayout;
    beforeRow->addWidget(label(t.beforePost, beforePost));
    beforeRow->addWidget(SpinEdit3);
    beforeRow->addWidget(label(t.beforePostUnit, beforePost));
    beforeRow->addStretch(1);
    auto* beforeBox = new QVBoxLayout(beforePost);
    beforeBox->setContentsMargins(8, 4, 8, 6);
    beforeBox->addLayout(beforeRow);
    beforeBox->addWidget(label(t.beforePostNote, beforePost));

    RadioGroup2 = radioGroup("RadioGroup2", t.itemGroupCaption, t.itemItems, 2, RadioGroup2Items, this);

    OpenFileCheck = new QCheckBox(qs(t.openFileCaption), this);
    OpenFileCheck->setObjectName(QStringLiteral("OpenFileCheck"));
    ClipBtn1 = new QPushButton(qs(t.exportCaption), this);
    ClipBtn1->setObjectName(QStringLiteral("ClipBtn1"));
    ClipBtn1->setToolTip(qs(t.exportHint));
    ClipBtn1->setAutoDefault(false);
    ClipBtn1->setMinimumHeight(30);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(10, 8, 10, 10);
    v->setSpacing(6);
    v->addWidget(RadioGroup1);
    v->addWidget(clock);
    v->addWidget(beforePost);
    v->addWidget(RadioGroup2);
    v->addWidget(OpenFileCheck);
    v->addStretch(1);
    v->addWidget(ClipBtn1);

    setFixedSize(TokuteiJikokuFormModel::kClientWidth, TokuteiJikokuFormModel::kClientHeight);

    connect(RadioGroup1Items, &QButtonGroup::idClicked, this, [this](int id) { m_model.setRadioGroup1(id); });
    connect(RadioGroup2Items, &QButtonGroup::idClicked, this, [this](int id) { m_model.setRadioGroup2(id); });
    connect(SpinEdit4, &QSpinBox::valueChanged, this, [this](int value) { m_model.setSpinEdit4(value); });
    connect(SpinEdit5, &QSpinBox::valueChanged, this, [this](int value) { m_model.setSpinEdit5(value); });
    connect(SpinEdit3, &QSpinBox::valueChanged, this, [this](int value) { m_model.setSpinEdit3(value); });
    connect(OpenFileCheck, &QCheckBox::toggled, this, [this](bool on) { m_model.setOpenFileCheck(on); });
    connect(ClipBtn1, &QPushButton::clicked, this, [this] {
        takeControls();
        m_model.ClipBtn1Click();
    });
    showModel();
}

bool TTokuteiJikokuForm::execFor(bool daySelected, results::ExportDay day)
{
    if (!m_model.N9Click(daySelected, std::move(day)))
        return false;
    showModel();
    exec();
    return true;
}

void TTokuteiJikokuForm::done(int r)
{
    takeControls();
    if (!m_model.FormCloseQuery())
        return;
    QDialog::done(r);
}

void TTokuteiJikokuForm::showModel()
{
    const QSignalBlocker b4(SpinEdit4);
    const QSignalBlocker b5(SpinEdit5);
    const QSignalBlocker b3(SpinEdit3);
    const QSignalBlocker bc(OpenFileCheck);
    SpinEdit4->setValue(m_model.SpinEdit4().value);
    SpinEdit5->setValue(m_model.SpinEdit5().value);
    SpinEdit3->setValue(m_model.SpinEdit3().value);
    OpenFileCheck->setChecked(m_model.OpenFileCheck());
    if (QAbstractButton* b = RadioGroup1Items->button(m_model.RadioGroup1()))
        b->setChecked(true);
    if (QAbstractButton* b = RadioGroup2Items->button(m_model.RadioGroup2()))
        b->setChecked(true);
}

void TTokuteiJikokuForm::takeControls()
{
    for (QSpinBox* s : {SpinEdit4, SpinEdit5, SpinEdit3})
        s->interpretText();
    m_model.setSpinEdit4(SpinEdit4->value());
    m_model.setSpinEdit5(SpinEdit5->value());
    m_model.setSpinEdit3(SpinEdit3->value());
    m_model.setRadioGroup1(RadioGroup1Items->checkedId());
    m_model.setRadioGroup2(RadioGroup2Items->checkedId());
    m_model.setOpenFileCheck(OpenFileCheck->isChecked());
}

} // namespace tidemark::gui
