#include "gui/chart_page.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/chart_widget.h"
#include "gui/qt_host.h"

namespace tidemark::gui {

using presentation::AxisGroup;
using presentation::ChartId;
using presentation::ChartList;
using presentation::ChartModel;

namespace {

bool isRadioGroup(ChartList list) { return list == ChartList::RadioGroup6 || list == ChartList::RadioGroup9; }

constexpr std::array<ChartList, 11> kAllLists{ChartList::CheckListBox1, ChartList::CheckListBox2,
    ChartList::CheckListBox3, ChartList::CheckListBox4, ChartList::CheckListBox5, ChartList::CheckListBox6,
    ChartList::CheckListBox7, ChartList::CheckListBox8, ChartList::CheckListBox9, ChartList::RadioGroup6,
    ChartList::RadioGroup9};

// The tabs of the odds and vote-share pages, in order: chart and the list beside it.
struct Tab {
    ChartId chart;
    ChartList list;
};
constexpr std::array<Tab, 5> kOddsTabs{{{ChartId::Chart1, ChartList::CheckListBox1},
    {ChartId::Chart3, ChartList::CheckListBox2}, {ChartId::Chart4, ChartList::CheckListBox3},
    {ChartId::Chart5, ChartList::RadioGroup6}, {ChartId::Chart2, ChartList::CheckListBox7}}};
constexpr std::array<Tab, 5> kShareTabs{{{ChartId::Chart6, ChartList::CheckListBox4},
    {ChartId::Chart7, ChartList::CheckListBox5}, {ChartId::Chart8, ChartList::CheckListBox6},
    {ChartId::Chart9, ChartList::RadioGroup9}, {ChartId::Chart10, ChartList::CheckListBox8}}};

} // namespace

ChartPage::ChartPage(ChartModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("TabSheet42"));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    PageControl14 = new QTabWidget(this);
    PageControl14->setObjectName(QStringLiteral("PageControl14"));
    const std::vector<std::string> pages = ChartModel::pageCaptions();
    PageControl14->addTab(buildOddsOrSharePage(AxisGroup::Odds, PageControl15), qs(pages[0]));
    PageControl14->addTab(buildOddsOrSharePage(AxisGroup::Share, PageControl3), qs(pages[1]));
    PageControl14->addTab(buildDifferencePage(), qs(pages[2]));
    PageControl14->widget(0)->setObjectName(QStringLiteral("TabSheet43"));
    PageControl14->widget(1)->setObjectName(QStringLiteral("TabSheet44"));
    PageControl14->widget(2)->setObjectName(QStringLiteral("TabSheet7"));
    PageControl15->setObjectName(QStringLiteral("PageControl15"));
    PageControl3->setObjectName(QStringLiteral("PageControl3"));
    lay->addWidget(PageControl14);

    m_model.setObserver(this);
    refresh();
}

ChartPage::~ChartPage() { m_model.setObserver(nullptr); }

// --- building ------------------------------------------------------------------------------

QWidget* ChartPage::buildOddsOrSharePage(AxisGroup group, QTabWidget*& tabs)
{
    auto* page = new QWidget;
    auto* lay = new QVBoxLayout(page);
    lay->setContentsMargins(2, 2, 2, 2);
    lay->addWidget(buildAxisStrip(group));
    tabs = new QTabWidget(page);
    const std::vector<std::string> captions =
        group == AxisGroup::Odds ? ChartModel::oddsTabCaptions() : ChartModel::shareTabCaptions();
    const auto& plan = group == AxisGroup::Odds ? kOddsTabs : kShareTabs;
    for (std::size_t i = 0; i < plan.size(); ++i)
        tabs->addTab(buildChartTab(plan[i].chart, plan[i].list), qs(captions[i]));
    lay->addWidget(tabs, 1);
    return page;
}

QWidget* ChartPage::buildDifferencePage()
{
    auto* page = new QWidget;
    auto* lay = new QVBoxLayout(page);
    lay->setContentsMargins(2, 2, 2, 2);

    auto* strip = new QWidget(page);
    auto* sl = new QHBoxLayout(strip);
    sl->setContentsMargins(0, 0, 0, 0);
    auto* modeBox = new QGroupBox(qs(ChartModel::ticketGroupCaption()), strip);
    modeBox->setObjectName(QStringLiteral("RadioGroup2"));
    auto* ml = new QHBoxLayout(modeBox);
    m_modeGroup = new QButtonGroup(modeBox);
    const std::vector<std::string> modes = ChartModel::differenceModeItems();
    for (int i = 0; i < static_cast<int>(modes.size()); ++i) {
        auto* r = new QRadioButton(qs(modes[static_cast<std::size_t>(i)]), modeBox);
        m_modeGroup->addButton(r, i);
        ml->addWidget(r);
    }
    connect(m_modeGroup, &QButtonGroup::idClicked, this, [this](int id) {
        if (!m_updating)
            m_model.RadioGroup2Click(id);
    });
    sl->addWidget(modeBox);
    sl->addWidget(buildAxisStrip(AxisGroup::Difference), 1);
    lay->addWidget(strip);

    auto* body = new QWidget(page);
    auto* bl = new QHBoxLayout(body);
    bl->setContentsMargins(0, 0, 0, 0);
    bl->addWidget(buildCheckList(ChartList::CheckListBox9));
    bl->addWidget(buildChart(ChartId::Chart12), 1);
    lay->addWidget(body, 1);
    return page;
}

QWidget* ChartPage::buildAxisStrip(AxisGroup group)
{
    const int g = index(group);
    auto* strip = new QWidget;
    auto* lay = new QHBoxLayout(strip);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(new QLabel(qs(ChartModel::maxCaption()), strip));
    lay->addWidget(new QLabel(qs(ChartModel::scaleLow(group)), strip));
    const char* names[] = {"TrackBar1", "TrackBar2", "TrackBar3"};
    auto* slider = new QSlider(Qt::Horizontal, strip);
    slider->setObjectName(QString::fromLatin1(names[g]));
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setMinimumWidth(240);
    m_sliders[static_cast<std::size_t>(g)] = slider;
    lay->addWidget(slider, 1);
    lay->addWidget(new QLabel(qs(ChartModel::scaleHigh(group)), strip));
    const char* labels[] = {"MaxYLabel1", "MaxYLabel2", "MaxYLabel3"};
    auto* value = new QLabel(strip);
    value->setObjectName(QString::fromLatin1(labels[g]));
    value->setMinimumWidth(40);
    m_maxLabels[static_cast<std::size_t>(g)] = value;
    lay->addWidget(value);

    const char* groups[] = {"RadioGroup11", "RadioGroup12", "RadioGroup1"};
    auto* box = new QGroupBox(qs(ChartModel::axisKindCaption()), strip);
    box->setObjectName(QString::fromLatin1(groups[g]));
    auto* bl = new QHBoxLayout(box);
    auto* buttons = new QButtonGroup(box);
    const std::vector<std::string> kinds = ChartModel::axisKindItems();
    for (int i = 0; i < static_cast<int>(kinds.size()); ++i) {
        auto* r = new QRadioButton(qs(kinds[static_cast<std::size_t>(i)]), box);
        buttons->addButton(r, i);
        bl->addWidget(r);
    }
    m_axisGroups[static_cast<std::size_t>(g)] = buttons;
    m_axisBoxes[static_cast<std::size_t>(g)] = box;
    lay->addWidget(box);

    connect(slider, &QSlider::valueChanged, this, [this, group](int v) {
        if (m_updating)
            return;
        switch (group) {
        case AxisGroup::Odds: m_model.TrackBar1Change(v); break;
        case AxisGroup::Share: m_model.TrackBar2Change(v); break;
        case AxisGroup::Difference: m_model.TrackBar3Change(v); break;
        }
    });
    connect(buttons, &QButtonGroup::idClicked, this, [this, group](int id) {
        if (m_updating)
            return;
        switch (group) {
        case AxisGroup::Odds: m_model.RadioGroup11Click(id); break;
        case AxisGroup::Share: m_model.RadioGroup12Click(id); break;
        case AxisGroup::Difference: m_model.RadioGroup1Click(id); break;
        }
    });
    return strip;
}

QWidget* ChartPage::buildChartTab(ChartId chart, ChartList list)
{
    auto* tab = new QWidget;
    auto* lay = new QHBoxLayout(tab);
    lay->setContentsMargins(2, 2, 2, 2);
    lay->addWidget(isRadioGroup(list) ? buildHorseGroup(list) : buildCheckList(list));
    lay->addWidget(buildChart(chart), 1);
    return tab;
}

QWidget* ChartPage::buildCheckList(ChartList list)
{
    auto* box = new QWidget;
    auto* lay = new QVBoxLayout(box);
    lay->setContentsMargins(0, 0, 0, 0);
    auto* lw = new QListWidget(box);
    lw->setObjectName(QStringLiteral("CheckListBox%1").arg(static_cast<int>(list) + 1));
    lw->setFixedWidth(84);
    lay->addWidget(lw, 1);
    auto* all = new QPushButton(qs(ChartModel::selectAllCaption()), box);
    auto* none = new QPushButton(qs(ChartModel::clearAllCaption()), box);
    all->setFixedWidth(84);
    none->setFixedWidth(84);
    lay->addWidget(all);
    lay->addWidget(none);
    m_lists[slot(list)].list = lw;

    connect(lw, &QListWidget::itemChanged, this, [this, lw, list](QListWidgetItem* item) {
        if (!m_updating)
            m_model.CheckListBoxClickCheck(list, lw->row(item), item->checkState() == Qt::Checked);
    });
    connect(all, &QPushButton::clicked, this, [this, list] { m_model.SelectAllClick(list); });
    connect(none, &QPushButton::clicked, this, [this, list] { m_model.ClearAllClick(list); });
    return box;
}

QWidget* ChartPage::buildHorseGroup(ChartList list)
{
    auto* box = new QGroupBox(qs(ChartModel::horseGroupCaption()));
    box->setObjectName(list == ChartList::RadioGroup6 ? QStringLiteral("RadioGroup6") : QStringLiteral("RadioGroup9"));
    box->setFixedWidth(84);
    auto* lay = new QVBoxLayout(box);
    lay->setSpacing(0);
    ListWidgets& w = m_lists[slot(list)];
    w.radioBox = box;
    w.radioLayout = lay;
    w.radios = new QButtonGroup(box);
    connect(w.radios, &QButtonGroup::idClicked, this, [this, list](int id) {
        if (m_updating)
            return;
        if (list == ChartList::RadioGroup6)
            m_model.RadioGroup6Click(id);
        else
            m_model.RadioGroup9Click(id);
    });
    lay->addStretch(1);
    return box;
}

ChartWidget* ChartPage::buildChart(ChartId id)
{
    auto* w = new ChartWidget(m_model.chart(id));
    w->setObjectName(QString::fromLatin1(presentation::chartName(id)));
    w->setMinimumSize(320, 240);
    m_charts[slot(id)] = w;
    return w;
}

// --- showing the model ---------------------------------------------------------------------

void ChartPage::refresh()
{
    selectionsChanged();
    controlsChanged();
    for (ChartWidget* w : m_charts)
        w->stateChanged();
}

void ChartPage::chartChanged(ChartId id) { m_charts[slot(id)]->stateChanged(); }
void ChartPage::axisChanged(ChartId id) { m_charts[slot(id)]->stateChanged(); }

void ChartPage::selectionsChanged()
{
    for (ChartList list : kAllLists) {
        if (isRadioGroup(list))
            showHorseGroup(list);
        else
            showList(list);
    }
}

void ChartPage::controlsChanged()
{
    m_updating = true;
    for (AxisGroup g : {AxisGroup::Odds, AxisGroup::Share, AxisGroup::Difference}) {
        const presentation::ChartSlider& s = m_model.slider(g);
        QSlider* slider = m_sliders[static_cast<std::size_t>(index(g))];
        slider->setRange(s.minimum, s.maximum);
        slider->setTickInterval(s.tickFrequency);
        slider->setValue(s.position);
        m_maxLabels[static_cast<std::size_t>(index(g))]->setText(qs(m_model.maxYLabel(g)));
        if (QAbstractButton* b = m_axisGroups[static_cast<std::size_t>(index(g))]->button(m_model.axisKind(g)))
            b->setChecked(true);
    }
    m_axisBoxes[static_cast<std::size_t>(index(AxisGroup::Difference))]->setVisible(m_model.RadioGroup1Visible());
    if (QAbstractButton* b = m_modeGroup->button(m_model.RadioGroup2Index()))
        b->setChecked(true);
    m_updating = false;
}

void ChartPage::showList(ChartList list)
{
    const presentation::CheckListState* state = m_model.selections().checkList(list);
    QListWidget* lw = m_lists[slot(list)].list;
    if (!state || !lw)
        return;
    m_updating = true;
    if (lw->count() != state->count()) {
        lw->clear();
        for (const std::string& item : state->items) {
            auto* it = new QListWidgetItem(qs(item), lw);
            it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        }
    }
    for (int i = 0; i < state->count(); ++i) {
        QListWidgetItem* it = lw->item(i);
        it->setText(qs(state->items[static_cast<std::size_t>(i)]));
        it->setCheckState(state->checked[static_cast<std::size_t>(i)] ? Qt::Checked : Qt::Unchecked);
    }
    m_updating = false;
}

void ChartPage::showHorseGroup(ChartList list)
{
    const presentation::ChartSelections& sel = m_model.selections();
    const presentation::RadioGroupState& state =
        list == ChartList::RadioGroup6 ? sel.RadioGroup6 : sel.RadioGroup9;
    ListWidgets& w = m_lists[slot(list)];
    m_updating = true;
    const QList<QAbstractButton*> old = w.radios->buttons();
    if (old.size() != static_cast<qsizetype>(state.items.size())) {
        for (QAbstractButton* b : old) {
            w.radios->removeButton(b);
            delete b;
        }
        for (int i = 0; i < static_cast<int>(state.items.size()); ++i) {
            auto* r = new QRadioButton(w.radioBox);
            w.radios->addButton(r, i);
            w.radioLayout->insertWidget(i, r);
        }
    }
    for (int i = 0; i < static_cast<int>(state.items.size()); ++i) {
        QAbstractButton* b = w.radios->button(i);
        b->setText(qs(state.items[static_cast<std::size_t>(i)]));
        b->setChecked(i == state.itemIndex);
    }
    m_updating = false;
}

QListWidget* ChartPage::checkList(ChartList list) const { return m_lists[slot(list)].list; }
QButtonGroup* ChartPage::horseGroup(ChartList list) const { return m_lists[slot(list)].radios; }

} // namespace tidemark::gui
