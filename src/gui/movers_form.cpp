#include "gui/movers_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <cmath>

#include "gui/grid_table_model.h"
#include "gui/grid_view.h"
#include "gui/qt_host.h"

namespace tidemark::gui {

using presentation::MoversBoardModel;

namespace {

QLabel* plainLabel(const QString& text, const char* name, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    return l;
}

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

TMoversForm::TMoversForm(MoversBoardModel& model, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Window), m_model(model), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("TMoversForm"));
    setWindowTitle(qs(MoversBoardModel::caption()));
    setModal(false);

    LiveCheck = named(new QCheckBox(qs(MoversBoardModel::liveCheckCaption()), this), "LiveCheck");
    TimeEdit = named(new QTimeEdit(this), "TimeEdit");
    TimeEdit->setDisplayFormat(QStringLiteral("HH:mm"));
    WindowCombo = named(new QComboBox(this), "WindowCombo");
    for (int minutes : analytics::kMoversWindows)
        WindowCombo->addItem(qs(MoversBoardModel::windowItemText(minutes)));
    TrackCombo = named(new QComboBox(this), "TrackCombo");
    NotRunCheck = named(new QCheckBox(qs(MoversBoardModel::notRunCheckCaption()), this), "NotRunCheck");
    MinChangeCheck = named(new QCheckBox(qs(MoversBoardModel::minChangeCheckCaption()), this), "MinChangeCheck");
    MinChangeEdit = named(new QDoubleSpinBox(this), "MinChangeEdit");
    MinChangeEdit->setDecimals(1);
    MinChangeEdit->setSingleStep(0.5);
    MinChangeEdit->setRange(-99.9, 99.9);
    RefreshBtn = named(new QPushButton(qs(MoversBoardModel::refreshCaption()), this), "RefreshBtn");
    ClipBtn = named(new QPushButton(qs(MoversBoardModel::copyCaption()), this), "ClipBtn");
    DriftersBtn = named(new QPushButton(this), "DriftersBtn");
    for (QPushButton* b : {RefreshBtn, ClipBtn, DriftersBtn})
        b->setAutoDefault(false);
    PoolSwitch = new QButtonGroup(this);
    PoolSwitch->setObjectName(QStringLiteral("PoolSwitch"));
    auto* pools = new QHBoxLayout;
    pools->setSpacing(0);
    for (std::size_t i = 0; i < analytics::kMoversPools.size(); ++i) {
        auto* b = new QPushButton(qs(MoversBoardModel::poolItemText(analytics::kMoversPools[i])), this);
        b->setObjectName(QStringLiteral("PoolBtn%1").arg(i));
        b->setCheckable(true);
        b->setAutoDefault(false);
        PoolSwitch->addButton(b, static_cast<int>(i));
        pools->addWidget(b);
    }
    TitleLabel = plainLabel({}, "TitleLabel", this);
    QFont bold = TitleLabel->font();
    bold.setBold(true);
    TitleLabel->setFont(bold);
    SummaryLabel = plainLabel({}, "SummaryLabel", this);

    auto* controls = new QHBoxLayout;
    controls->setSpacing(6);
    controls->addWidget(plainLabel(qs(MoversBoardModel::timeCaption()), "TimeCaption", this));
    controls->addWidget(TimeEdit);
    controls->addWidget(LiveCheck);
    controls->addWidget(plainLabel(qs(MoversBoardModel::windowCaption()), "WindowCaption", this));
    controls->addWidget(WindowCombo);
    controls->addSpacing(8);
    controls->addWidget(TrackCombo);
    controls->addWidget(NotRunCheck);
    controls->addSpacing(8);
    controls->addWidget(MinChangeCheck);
    controls->addWidget(MinChangeEdit);
    controls->addWidget(plainLabel(qs(MoversBoardModel::minChangeUnit()), "MinChangeUnit", this));
    controls->addStretch(1);
    controls->addLayout(pools);
    controls->addWidget(DriftersBtn);
    controls->addSpacing(8);
    controls->addWidget(RefreshBtn);
    controls->addWidget(ClipBtn);

    auto* heading = new QHBoxLayout;
    heading->addWidget(TitleLabel, 1);
    heading->addWidget(SummaryLabel);

    m_gridModel = new GridTableModel(
        m_model.grid(),
        [](const presentation::TextGrid& grid, int row, int col, const presentation::StyleContext& context) {
            presentation::CellStyle s = presentation::moversCellStyle(grid, row, col);
            if (context.selected && !grid.isFixed(row, col))
                presentation::outlineSelection(s, grid, col);
            return s;
        },
        this);
    BoardGrid = new GridView(*m_gridModel, this);
    BoardGrid->setObjectName(QStringLiteral("BoardGrid"));
    BoardGrid->setHandCursorTest([this](int row, int col) { return m_model.sortsAt(row, col); });

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(6, 6, 6, 6);
    v->addLayout(controls);
    v->addLayout(heading);
    v->addWidget(BoardGrid, 1);
    resize(BoardGrid->fullSize().width() + 40, 520);

    connect(LiveCheck, &QCheckBox::toggled, this, [this](bool on) { m_model.LiveCheckClick(on); });
    connect(TimeEdit, &QTimeEdit::timeChanged, this,
            [this](const QTime& t) { m_model.TimeEditChange(t.hour() * 60 + t.minute()); });
    connect(WindowCombo, &QComboBox::activated, this, [this](int index) { m_model.WindowComboChange(index); });
    connect(TrackCombo, &QComboBox::activated, this, [this](int index) { m_model.TrackComboChange(index); });
    connect(NotRunCheck, &QCheckBox::toggled, this, [this](bool on) { m_model.NotRunCheckClick(on); });
    connect(MinChangeCheck, &QCheckBox::toggled, this, [this](bool on) { m_model.MinChangeCheckClick(on); });
    connect(MinChangeEdit, &QDoubleSpinBox::valueChanged, this,
            [this](double points) { m_model.MinChangeEditChange(static_cast<int>(std::lround(points * 10))); });
    for (QAbstractSpinBox* box : {static_cast<QAbstractSpinBox*>(TimeEdit), static_cast<QAbstractSpinBox*>(MinChangeEdit)})
        connect(box, &QAbstractSpinBox::editingFinished, this, [this] { controlsChanged(); });
    connect(RefreshBtn, &QPushButton::clicked, this, [this] { m_model.RefreshBtnClick(); });
    connect(ClipBtn, &QPushButton::clicked, this, [this] { m_model.ClipBtnClick(); });
    connect(DriftersBtn, &QPushButton::clicked, this, [this] { m_model.DriftersBtnClick(); });
    connect(PoolSwitch, &QButtonGroup::idClicked, this, [this](int id) { m_model.PoolSwitchClick(id); });
    connect(BoardGrid, &GridView::cellPressed, this, [this](int row, int col, Qt::MouseButton button) {
        if (button == Qt::LeftButton)
            m_model.GridHeaderClick(row, col);
    });
    connect(BoardGrid, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        m_model.GridDblClick(index.row());
        if (m_mainWindow) {
            m_mainWindow->raise();
            m_mainWindow->activateWindow();
        }
    });

    m_model.setObserver(this);
    controlsChanged();
    boardChanged();
}

TMoversForm::~TMoversForm()
{
    m_model.setObserver(nullptr);
    m_model.close();
}

void TMoversForm::showBoard()
{
    m_model.open();
    show();
    raise();
    activateWindow();
}

void TMoversForm::closeEvent(QCloseEvent* e)
{
    m_model.close();
    QDialog::closeEvent(e);
}

void TMoversForm::boardChanged()
{
    TitleLabel->setText(qs(m_model.title()));
    SummaryLabel->setText(qs(m_model.summary()));
}

void TMoversForm::controlsChanged()
{
    DriftersBtn->setText(qs(m_model.driftersCaption()));
    if (QAbstractButton* pool = PoolSwitch->button(m_model.poolIndex()))
        pool->setChecked(true);
    const QSignalBlocker b1(LiveCheck), b2(TimeEdit), b3(WindowCombo), b4(TrackCombo), b5(NotRunCheck),
        b6(MinChangeCheck), b7(MinChangeEdit);
    LiveCheck->setEnabled(m_model.liveAvailable());
    LiveCheck->setChecked(m_model.live());
    // A box being typed in keeps what is typed: the board follows it, not the other way.
    if (!TimeEdit->hasFocus())
        TimeEdit->setTime(QTime(m_model.timeMinute() / 60, m_model.timeMinute() % 60));
    WindowCombo->setCurrentIndex(m_model.windowIndex());
    TrackCombo->clear();
    for (const std::string& item : m_model.trackItems())
        TrackCombo->addItem(qs(item));
    TrackCombo->setCurrentIndex(m_model.trackIndex());
    NotRunCheck->setChecked(m_model.notRun());
    MinChangeCheck->setChecked(m_model.minChangeOn());
    if (!MinChangeEdit->hasFocus())
        MinChangeEdit->setValue(m_model.minChangeTenths() / 10.0);
}

} // namespace tidemark::gui
