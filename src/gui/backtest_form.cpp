#include "gui/backtest_form.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QVBoxLayout>
#include <QProgressBar>

#include <algorithm>

#include "gui/chart_widget.h"
#include "gui/grid_table_model.h"
#include "gui/grid_view.h"
#include "gui/qt_host.h"
#include "text/cp932.h"

namespace tidemark::gui {

namespace {

using Model = presentation::BacktestFormModel;
using Grid = Model::Grid;

constexpr const char* kDateFormat = "yyyy/MM/dd";

QLabel* label(const std::string& cp932, QWidget* parent)
{
    auto* l = new QLabel(qs(cp932), parent);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QDateEdit* dateEdit(const char* name, QWidget* parent)
{
    auto* d = new QDateEdit(parent);
    d->setObjectName(QString::fromLatin1(name));
    d->setDisplayFormat(QString::fromLatin1(kDateFormat));
    d->setCalendarPopup(true);
    return d;
}

QString dateText(const QDateEdit* d) { return d->date().toString(QString::fromLatin1(kDateFormat)); }

void showDate(QDateEdit* d, const std::string& text)
{
    const QDate date = QDate::fromString(QString::fromStdString(text), QString::fromLatin1(kDateFormat));
    if (date.isValid())
        d->setDate(date);
}

} // namespace

TBacktestForm::TBacktestForm(Model& model, QWidget* parent)
    : QDialog(parent, Qt::Window), m_model(model)
{
    const Model::Texts& t = Model::texts();
    setObjectName(QStringLiteral("TBacktestForm"));
    setWindowTitle(qs(t.caption));
    setModal(false);

    // The choice: range and rule on one line, moment, bet kind and the buttons below.
    auto* choice = new QGridLayout;
    FromDate = dateEdit("FromDate", this);
    ToDate = dateEdit("ToDate", this);
    auto* range = new QHBoxLayout;
    range->addWidget(FromDate);
    range->addWidget(label(t.rangeTo, this));
    range->addWidget(ToDate);
    range->addStretch(1);
    choice->addWidget(label(t.rangeLabel, this), 0, 0);
    choice->addLayout(range, 0, 1);

    RuleCombo = new QComboBox(this);
    RuleCombo->setObjectName(QStringLiteral("RuleCombo"));
    for (const std::string& item : m_model.RuleCombo().items)
        RuleCombo->addItem(qs(item));
    ParamEdit = new QLineEdit(this);
    ParamEdit->setObjectName(QStringLiteral("ParamEdit"));
    ParamEdit->setMaximumWidth(120);
    ParamHint = label(m_model.ParamHint(), this);
    ParamHint->setObjectName(QStringLiteral("ParamHint"));
    ParamHint->setStyleSheet(QStringLiteral("color:#404040;"));
    auto* rule = new QHBoxLayout;
    rule->addWidget(RuleCombo);
    rule->addWidget(label(t.paramLabel, this));
    rule->addWidget(ParamEdit);
    rule->addWidget(ParamHint, 1);
    choice->addWidget(label(t.ruleLabel, this), 1, 0);
    choice->addLayout(rule, 1, 1);

    MinutesSpin = new QSpinBox(this);
    MinutesSpin->setObjectName(QStringLiteral("MinutesSpin"));
    MinutesSpin->setRange(m_model.MinutesSpin().minValue, m_model.MinutesSpin().maxValue);
    MinutesSpin->setAlignment(Qt::AlignRight);
    BetRadio = new QButtonGroup(this);
    BetRadio->setObjectName(QStringLiteral("BetRadio"));
    auto* moment = new QHBoxLayout;
    moment->addWidget(label(t.beforePost, this));
    moment->addWidget(MinutesSpin);
    moment->addWidget(label(t.beforePostUnit, this));
    moment->addSpacing(24);
    moment->addWidget(label(t.betLabel, this));
    for (std::size_t i = 0; i < t.betItems.size(); ++i) {
        auto* r = new QRadioButton(qs(t.betItems[i]), this);
        BetRadio->addButton(r, static_cast<int>(i));
        moment->addWidget(r);
    }
    moment->addStretch(1);
    RunBtn = new QPushButton(qs(t.runCaption), this);
    RunBtn->setObjectName(QStringLiteral("RunBtn"));
    RunBtn->setAutoDefault(false);
    CancelBtn = new QPushButton(qs(t.cancelCaption), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    moment->addWidget(RunBtn);
    moment->addWidget(CancelBtn);
    choice->addWidget(label(t.momentLabel, this), 2, 0);
    choice->addLayout(moment, 2, 1);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setMaximumHeight(14);
    StatusLabel = label({}, this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setMinimumWidth(220);
    auto* progress = new QHBoxLayout;
    progress->addWidget(ProgressBar1, 1);
    progress->addWidget(StatusLabel);

    // The results: the summary and the splits at the left, the curve at the right, the
    // bets below.
    SummaryGrid = gridView(Grid::Summary, "SummaryGrid");
    TrackGrid = gridView(Grid::Tracks, "TrackGrid");
    BandGrid = gridView(Grid::Bands, "BandGrid");
    BetGrid = gridView(Grid::Bets, "BetGrid");
    BetGrid->setToolTip(qs(t.openHint));

    ReturnChart = new ChartWidget(m_model.ReturnChart(), this);
    ReturnChart->setObjectName(QStringLiteral("ReturnChart"));
    ReturnChart->setMinimumSize(360, 240);

    auto titled = [this](const std::string& title, QWidget* w) {
        auto* box = new QGroupBox(qs(title), this);
        auto* l = new QVBoxLayout(box);
        l->setContentsMargins(4, 2, 4, 4);
        l->addWidget(w);
        return box;
    };
    auto* left = new QWidget(this);
    // The splits are shown whole in width; the curve takes what is left.
    left->setMinimumWidth(std::max(TrackGrid->fullSize().width(), SummaryGrid->fullSize().width()) + 16);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(titled(t.summaryTitle, SummaryGrid), 3);
    leftLayout->addWidget(titled(t.trackTitle, TrackGrid), 2);
    leftLayout->addWidget(titled(t.bandTitle, BandGrid), 2);
    auto* top = new QSplitter(Qt::Horizontal, this);
    top->addWidget(left);
    top->addWidget(ReturnChart);
    top->setStretchFactor(1, 1);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(top);
    split->addWidget(titled(t.betsTitle, BetGrid));
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(8, 8, 8, 8);
    v->addLayout(choice);
    v->addLayout(progress);
    v->addWidget(split, 1);
    resize(1000, 780);

    connect(RuleCombo, &QComboBox::activated, this, [this](int index) { m_model.RuleComboChange(index); });
    connect(ParamEdit, &QLineEdit::textEdited, this,
            [this](const QString& s) { m_model.setParamEdit(text::fromUtf8(s.toStdString())); });
    connect(MinutesSpin, &QSpinBox::valueChanged, this, [this](int value) { m_model.setMinutesSpin(value); });
    connect(BetRadio, &QButtonGroup::idClicked, this, [this](int id) { m_model.setBetRadio(id); });
    connect(FromDate, &QDateEdit::dateChanged, this,
            [this] { m_model.setFromDate(dateText(FromDate).toStdString()); });
    connect(ToDate, &QDateEdit::dateChanged, this, [this] { m_model.setToDate(dateText(ToDate).toStdString()); });
    connect(RunBtn, &QPushButton::clicked, this, [this] {
        takeControls();
        m_model.RunBtnClick();
    });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { m_model.CancelBtnClick(); });
    connect(BetGrid, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (m_model.BetGridDblClick(index.row()))
            Q_EMIT raceOpened();
    });

    m_model.setObserver(this);
    controlsChanged();
    progressChanged();
    resultChanged();
}

TBacktestForm::~TBacktestForm() { m_model.setObserver(nullptr); }

GridView* TBacktestForm::gridView(Grid which, const char* name)
{
    auto* model = new GridTableModel(
        m_model.grid(which),
        [this, which](const presentation::TextGrid&, int row, int col, const presentation::StyleContext&) {
            return m_model.cellStyle(which, row, col);
        },
        this);
    auto* view = new GridView(*model, this);
    view->setObjectName(QString::fromLatin1(name));
    return view;
}

void TBacktestForm::showForm()
{
    m_model.FormShow();
    show();
    raise();
    activateWindow();
}

void TBacktestForm::done(int r)
{
    takeControls();
    if (!m_model.FormCloseQuery())
        return;
    QDialog::done(r);
}

void TBacktestForm::takeControls()
{
    MinutesSpin->interpretText();
    m_model.setMinutesSpin(MinutesSpin->value());
    m_model.setFromDate(dateText(FromDate).toStdString());
    m_model.setToDate(dateText(ToDate).toStdString());
    m_model.setParamEdit(text::fromUtf8(ParamEdit->text().toStdString()));
    m_model.setBetRadio(BetRadio->checkedId());
}

void TBacktestForm::controlsChanged()
{
    const QSignalBlocker b1(FromDate);
    const QSignalBlocker b2(ToDate);
    const QSignalBlocker b3(MinutesSpin);
    showDate(FromDate, m_model.FromDate());
    showDate(ToDate, m_model.ToDate());
    RuleCombo->setCurrentIndex(m_model.RuleCombo().itemIndex);
    ParamEdit->setText(qs(m_model.ParamEdit()));
    ParamHint->setText(qs(m_model.ParamHint()));
    MinutesSpin->setValue(m_model.MinutesSpin().value);
    if (QAbstractButton* b = BetRadio->button(m_model.BetRadio()))
        b->setChecked(true);
    RunBtn->setEnabled(m_model.RunBtnEnabled());
    CancelBtn->setEnabled(m_model.CancelBtnEnabled());
    for (QWidget* w : std::initializer_list<QWidget*>{FromDate, ToDate, RuleCombo, ParamEdit, MinutesSpin})
        w->setEnabled(!m_model.running());
    for (QAbstractButton* b : BetRadio->buttons())
        b->setEnabled(!m_model.running());
}

void TBacktestForm::progressChanged()
{
    ProgressBar1->setRange(0, std::max(1, m_model.ProgressMax()));
    ProgressBar1->setValue(m_model.ProgressPosition());
    StatusLabel->setText(qs(m_model.StatusLabel()));
}

void TBacktestForm::resultChanged() { ReturnChart->stateChanged(); }

} // namespace tidemark::gui
