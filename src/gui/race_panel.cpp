#include "gui/race_panel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/qt_host.h"

namespace tidemark::gui {
namespace {

// UpDown1 is a pair of arrows, as the race list shows which race is open.
class ArrowsOnlySpinBox final : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QString textFromValue(int) const override { return {}; }
};

QLabel* namedLabel(const char* name, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

void fill(QListWidget* list, const ListState& state)
{
    QSignalBlocker block(list);
    // The items are kept and only their texts set: a moment selection changes nothing but
    // the current row of a list of hundreds of snapshots, a race switch mostly the texts.
    const int n = state.count();
    if (n == 0)
        list->clear();
    while (list->count() > n)
        delete list->takeItem(list->count() - 1);
    const int kept = list->count();
    for (int i = 0; i < kept; ++i) {
        QListWidgetItem* item = list->item(i);
        const QString text = qs(state.items[static_cast<std::size_t>(i)]);
        if (item->text() != text)
            item->setText(text);
    }
    if (kept < n) {
        QStringList added;
        added.reserve(n - kept);
        for (int i = kept; i < n; ++i)
            added.append(qs(state.items[static_cast<std::size_t>(i)]));
        list->addItems(added);
    }
    list->setCurrentRow(state.itemIndex);
    if (state.itemIndex < 0)
        list->clearSelection(); // a kept item must not stay marked
    if (state.itemIndex >= 0)
        list->scrollToItem(list->item(state.itemIndex));
}

} // namespace

RaceHeaderPanel::RaceHeaderPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel3"));
    setAutoFillBackground(true);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(0);
    BashoLabel = namedLabel("BashoLabel", this);
    RaceLabel = namedLabel("RaceLabel", this);
    QFont big = font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    BashoLabel->setFont(big);
    RaceLabel->setFont(big);
    // The race number is drawn opaque over the panel colour.
    RaceLabel->setAutoFillBackground(true);
    RaceLabel->setAlignment(Qt::AlignCenter);
    RaceLabel->setMinimumWidth(36);
    grid->addWidget(BashoLabel, 0, 0, 2, 1);
    grid->addWidget(RaceLabel, 2, 0, 2, 1);
    const char* names[4] = {"TitleLabel1", "TitleLabel2", "TitleLabel3", "TitleLabel4"};
    for (int i = 0; i < 4; ++i) {
        TitleLabel[static_cast<std::size_t>(i)] = namedLabel(names[i], this);
        grid->addWidget(TitleLabel[static_cast<std::size_t>(i)], i, 1);
    }
    CurJikokuLabel = namedLabel("CurJikokuLabel", this);
    CurJikokuLabel->setMinimumWidth(60);
    grid->addWidget(CurJikokuLabel, 0, 2);
    const char* votes[4] = {"ThyokeiLabel", "FhyokeiLabel", "WhyokeiLabel", "UhyokeiLabel"};
    for (int i = 0; i < 4; ++i) {
        votesLabel[static_cast<std::size_t>(i)] = namedLabel(votes[i], this);
        votesLabel[static_cast<std::size_t>(i)]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        votesLabel[static_cast<std::size_t>(i)]->setMinimumWidth(150);
        grid->addWidget(votesLabel[static_cast<std::size_t>(i)], i, 3);
    }
    grid->setColumnStretch(1, 1);
}

void RaceHeaderPanel::show(const MainPanelLabels& labels)
{
    const analysis::RaceHeader& h = labels.header;
    BashoLabel->setText(qs(h.BashoLabel));
    RaceLabel->setText(qs(h.RaceLabel));
    TitleLabel[0]->setText(qs(h.TitleLabel1));
    TitleLabel[1]->setText(qs(h.TitleLabel2));
    TitleLabel[2]->setText(qs(h.TitleLabel3));
    TitleLabel[3]->setText(qs(h.TitleLabel4));
    CurJikokuLabel->setText(qs(labels.CurJikokuLabel));
    votesLabel[0]->setText(qs(labels.ThyokeiLabel));
    votesLabel[1]->setText(qs(labels.FhyokeiLabel));
    votesLabel[2]->setText(qs(labels.WhyokeiLabel));
    votesLabel[3]->setText(qs(labels.UhyokeiLabel));
    if (labels.Panel3Colour) {
        QPalette pal = palette();
        const analysis::Rgb c = *labels.Panel3Colour;
        pal.setColor(QPalette::Window, QColor(c.red, c.green, c.blue));
        pal.setColor(QPalette::WindowText, Qt::white);
        setPalette(pal);
        QPalette rp = RaceLabel->palette();
        rp.setColor(QPalette::Window, Qt::white);
        rp.setColor(QPalette::WindowText, Qt::black);
        RaceLabel->setPalette(rp);
    }
}

RacePanel::RacePanel(MainPanelModel& model, RaceHeaderPanel& header, QWidget* parent)
    : QWidget(parent), m_model(model), m_header(header)
{
    setObjectName(QStringLiteral("LeftPanel"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(2, 2, 2, 2);
    v->setSpacing(2);
    DateCombo = new QComboBox(this);
    DateCombo->setObjectName(QStringLiteral("DateCombo"));
    DateCombo->setMaxVisibleItems(36);
    v->addWidget(DateCombo);
    v->addWidget(buildRaceBox(), 2);
    DLlabel = namedLabel("DLlabel", this);
    DLlabel->setStyleSheet(QStringLiteral("color: #0000FF; font-weight: bold;"));
    DLlabel->setWordWrap(true);
    v->addWidget(DLlabel);
    v->addWidget(buildTimeBox(), 3);
    setMinimumWidth(130);
    setMaximumWidth(200);

    connect(DateCombo, &QComboBox::activated, this, [this](int i) { run([&] { m_model.DateComboChange(i); }); });
    m_model.setObserver(this);
}

QWidget* RacePanel::buildRaceBox()
{
    auto* box = new QWidget(this);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(1);
    auto* row = new QHBoxLayout;
    auto* up = new QPushButton(qs(MainPanelModel::previousCaption()), box);
    up->setObjectName(QStringLiteral("B4RBtn"));
    auto* down = new QPushButton(qs(MainPanelModel::nextCaption()), box);
    down->setObjectName(QStringLiteral("AfRBtn"));
    auto* next = new QPushButton(qs(MainPanelModel::nextRaceCaption()), box);
    next->setObjectName(QStringLiteral("NextRaceBtn"));
    for (QPushButton* b : {up, down})
        b->setFixedWidth(28);
    // UpDown1: steps through the race list; its position is the open race.
    UpDown1 = new ArrowsOnlySpinBox(box);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setRange(0, 0);
    UpDown1->setFixedWidth(22);
    row->addWidget(up);
    row->addWidget(down);
    row->addWidget(next, 1);
    row->addWidget(UpDown1);
    v->addLayout(row);
    DatList = new QListWidget(box);
    DatList->setObjectName(QStringLiteral("DatList"));
    DatList->setUniformItemSizes(true);
    v->addWidget(DatList, 1);

    connect(up, &QPushButton::clicked, this, [this] { run([&] { m_model.B4RBtnClick(); }); });
    connect(down, &QPushButton::clicked, this, [this] { run([&] { m_model.AfRBtnClick(); }); });
    connect(next, &QPushButton::clicked, this, [this] { run([&] { m_model.NextRaceBtnClick(); }); });
    connect(UpDown1, &QSpinBox::valueChanged, this, [this](int position) {
        if (!m_updating)
            run([&] { m_model.UpDown1Click(position); });
    });
    connect(DatList, &QListWidget::currentRowChanged, this, [this](int index) {
        if (!m_updating && index >= 0)
            run([&] { m_model.DatListClick(index); });
    });
    return box;
}

QWidget* RacePanel::buildTimeBox()
{
    auto* box = new QWidget(this);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(1);
    auto* count = new QHBoxLayout;
    count->addWidget(new QLabel(qs(MainPanelModel::timeCountCaption()), box));
    Label3Dj2 = namedLabel("Label3Dj2", box);
    count->addWidget(Label3Dj2, 1);
    auto* up = new QPushButton(qs(MainPanelModel::previousCaption()), box);
    up->setObjectName(QStringLiteral("B4TimeBtn"));
    auto* down = new QPushButton(qs(MainPanelModel::nextCaption()), box);
    down->setObjectName(QStringLiteral("AfTimeBtn"));
    for (QPushButton* b : {up, down}) {
        b->setFixedWidth(28);
        count->addWidget(b);
    }
    v->addLayout(count);

    auto* points = new QGridLayout;
    points->setSpacing(1);
    m_timeGroup = new QButtonGroup(this);
    m_timeGroup->setExclusive(true);
    const char* buttons[3] = {"SpeedButton3", "SpeedButton4", "SpeedButton5"};
    const char* labels[3] = {"JikokuLabel1", "JikokuLabel2", "JikokuLabel3"};
    for (int i = 0; i < 3; ++i) {
        auto* point = new QLabel(qs(MainPanelModel::timePointCaption(i)), box);
        point->setObjectName(QStringLiteral("TimePointCaption%1").arg(i + 1));
        point->setAlignment(Qt::AlignCenter);
        points->addWidget(point, 0, i);
        auto* b = new QToolButton(box);
        b->setObjectName(QString::fromLatin1(buttons[i]));
        b->setCheckable(true);
        b->setText(QStringLiteral("-"));
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_timeGroup->addButton(b, i);
        SpeedButton[static_cast<std::size_t>(i)] = b;
        points->addWidget(b, 1, i);
        auto* nth = new QLabel(qs(MainPanelModel::timeLabelCaption(i)), box);
        nth->setObjectName(QStringLiteral("TimeLabelCaption%1").arg(i + 1));
        nth->setAlignment(Qt::AlignCenter);
        points->addWidget(nth, 2, i);
        JikokuLabel[static_cast<std::size_t>(i)] = namedLabel(labels[i], box);
        JikokuLabel[static_cast<std::size_t>(i)]->setAlignment(Qt::AlignCenter);
        points->addWidget(JikokuLabel[static_cast<std::size_t>(i)], 3, i);
    }
    v->addLayout(points);
    TimeCombo = new QListWidget(box);
    TimeCombo->setObjectName(QStringLiteral("TimeCombo"));
    // One line of one font each: the list need not measure hundreds of snapshots.
    TimeCombo->setUniformItemSizes(true);
    v->addWidget(TimeCombo, 1);

    connect(up, &QPushButton::clicked, this, [this] { run([&] { m_model.B4TimeBtnClick(); }); });
    connect(down, &QPushButton::clicked, this, [this] { run([&] { m_model.AfTimeBtnClick(); }); });
    connect(m_timeGroup, &QButtonGroup::idClicked, this, [this](int id) {
        run([&] {
            switch (id) {
            case 0: m_model.SpeedButton3Click(); break;
            case 1: m_model.SpeedButton4Click(); break;
            default: m_model.SpeedButton5Click(); break;
            }
        });
    });
    connect(TimeCombo, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_updating && row >= 0)
            run([&] { m_model.TimeComboClick(row); });
    });
    return box;
}

template <class F>
void RacePanel::run(F&& handler)
{
    handler();
}

void RacePanel::dateListChanged()
{
    QSignalBlocker block(DateCombo);
    DateCombo->clear();
    for (const std::string& d : m_model.DateCombo().items)
        DateCombo->addItem(qs(d));
    DateCombo->setCurrentIndex(m_model.DateCombo().itemIndex);
}

void RacePanel::raceListChanged()
{
    m_updating = true;
    fill(DatList, m_model.DatList());
    UpDown1->setRange(0, std::max(0, m_model.UpDown1Max()));
    UpDown1->setValue(m_model.UpDown1Position());
    m_updating = false;
}

void RacePanel::timeListChanged()
{
    m_updating = true;
    fill(TimeCombo, m_model.TimeCombo());
    m_updating = false;
}

void RacePanel::labelsChanged()
{
    const MainPanelLabels& l = m_model.labels();
    Label3Dj2->setText(qs(l.Label3Dj2));
    for (std::size_t i = 0; i < 3; ++i)
        JikokuLabel[i]->setText(qs(l.JikokuLabel[i]));
    m_header.show(l);
}

void RacePanel::timeButtonsChanged()
{
    const auto& captions = m_model.timeButtonCaptions();
    for (std::size_t i = 0; i < 3; ++i)
        SpeedButton[i]->setText(qs(captions[i]));
    const int down = m_model.timeButtonDown();
    if (down >= 0) {
        SpeedButton[static_cast<std::size_t>(down)]->setChecked(true);
    } else if (QAbstractButton* b = m_timeGroup->checkedButton()) {
        m_timeGroup->setExclusive(false);
        b->setChecked(false);
        m_timeGroup->setExclusive(true);
    }
}

void RacePanel::panelsChanged()
{
    Q_EMIT panelsVisibilityChanged();
}

} // namespace tidemark::gui
