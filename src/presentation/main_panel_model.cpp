#include "presentation/main_panel_model.h"

#include <algorithm>
#include <stdexcept>

#include "records/record_view.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/date_time.h"
#include "text/file_io.h"

namespace tidemark {

using namespace analysis;

namespace {

const std::string kNoCaption = "-";
constexpr int kNoOddsX = 250;
constexpr int kNoOddsY = 150;
constexpr int kMaxTimerMinutes = 35791; // the longest period a millisecond int holds

} // namespace

MainPanelModel::MainPanelModel(Host& host, std::filesystem::path programFolder, IniFile& ini)
    : m_host(host), m_ini(ini), m_layout(std::move(programFolder))
{
    resetTimeCaptions();
}

void MainPanelModel::setSteps(RaceViewSteps* steps) { m_steps = steps ? steps : &m_noSteps; }

std::string MainPanelModel::timeCountCaption() { return text::sj("時系列数:"); }
std::string MainPanelModel::previousCaption() { return text::sj("↑"); }
std::string MainPanelModel::nextCaption() { return text::sj("↓"); }
std::string MainPanelModel::nextRaceCaption() { return text::sj("直前ﾚｰｽ"); }

std::string MainPanelModel::timePointCaption(int point)
{
    static const char* const captions[3] = {"第１回", "第２回", "第３回"};
    return point >= 0 && point < 3 ? text::sj(captions[point]) : std::string();
}

std::string MainPanelModel::timeLabelCaption(int point)
{
    static const char* const captions[3] = {"１回目", "２回目", "３回目"};
    return point >= 0 && point < 3 ? text::sj(captions[point]) : std::string();
}
std::string MainPanelModel::noOddsText() { return text::sj("当レースはオッズが未取得です。"); }
std::string MainPanelModel::dataIncompleteText() { return text::sj("データ作成が未完了のようです。"); }

RaceSlot* MainPanelModel::currentSlot()
{
    if (m_datList.itemIndex < 0 || !m_table.validSlot(m_table.currentRace))
        return nullptr;
    return &m_table.slots[static_cast<std::size_t>(m_table.currentRace)];
}

const RaceSlot* MainPanelModel::currentSlot() const
{
    return const_cast<MainPanelModel*>(this)->currentSlot();
}

void MainPanelModel::labelsUpdated() { notifyLabels(); }

void MainPanelModel::fileFailed(const std::exception& e)
{
    m_host.beep();
    m_host.message(text::fromUtf8(e.what()));
}

std::string MainPanelModel::raceDay() const
{
    const std::string& d = m_dateCombo.text();
    return std::string(text::bytesAt(d, 7, 2)) + std::string(text::bytesAt(d, 11, 2));
}

void MainPanelModel::resetTimeCaptions()
{
    m_timeCaptions.fill(kNoCaption);
}

// --- day list -------------------------------------------------------------------

void MainPanelModel::buildDateList()
{
    // A Data folder that cannot be listed is reported and shows no days; nothing else is lost.
    std::vector<std::string> labels;
    try {
        labels = analysis::buildDateList(m_layout);
    } catch (const text::FileError& e) {
        fileFailed(e);
    }
    m_dateCombo.clear();
    m_datList.clear();
    m_timeCombo.clear();
    m_entries.clear();
    m_dateCombo.items = labels;
    notifyDates();
    notifyRaces();
    notifyTimes();

    const int selected = labels.empty()
                             ? -1
                             : newestDayNotAfter(labels, text::formatDateTime("yyyymmdd", m_host.today()));
    m_steps->batchDateListChanged(labels, selected);
}

void MainPanelModel::importWindowClosed()
{
    m_panel1Visible = false;
    notifyPanels();
    buildDateList();
}

void MainPanelModel::DateComboChange(int index)
{
    if (index < 0 || index >= m_dateCombo.count())
        return;
    m_dateCombo.itemIndex = index;
    notifyDates();
    loadDay();
}

void MainPanelModel::loadDay()
{
    try {
        m_host.clearTransientTexts();
        resetTimeCaptions();
        notifyButtons();
        m_day = analysis::dayFiles(m_layout, m_dateCombo.text());
        clearDayRecords(m_table);
        m_timer4->stop();
        m_timerRunning = false;
        m_table.resetDay();
        m_steps->payoutTablesCleared();
        m_datList.clear();
        m_entries.clear();
        notifyRaces();

        std::error_code ec;
        if (m_day.dayFile.empty() || !std::filesystem::is_regular_file(m_day.dayFile, ec)) {
            m_steps->dayLoaded();
            return;
        }

        m_panel1Visible = false;
        notifyPanels();
        DayRead read = readDayFile(m_table, m_day);
        m_entries = std::move(read.races);
        for (const RaceListEntry& e : m_entries)
            m_datList.items.push_back(e.text);
        if (!read.runnersFound) {
            m_host.beep();
            m_host.information(dataIncompleteText());
            m_datList.clear();
            m_entries.clear();
        }
        notifyRaces();

        if (readPayoutFile(m_table, m_day))
            m_steps->importPayouts();
        deriveRaceRecords(m_table);

        m_upDownMax = m_datList.count() - 1;
        m_upDownPosition = 0;
        notifyRaces();

        const text::DateTime today = m_host.today();
        if (m_dateCombo.text() == dayLabelOf(today.year, today.month, today.day)) {
            // A period of zero or less would fetch without pause; one too long for the
            // timer would wrap around.
            const int minutes = std::clamp(settings::TimeAutoRdataGetTimer.read(m_ini), 1, kMaxTimerMinutes);
            m_timer4->start(minutes * 60 * 1000, [this] { m_steps->resultsTimerTick(); });
            m_timerRunning = true;
        }

        m_steps->dayLoaded();
        if (m_datList.empty())
            return;
        m_datList.itemIndex = std::min(m_table.lastViewedRace, m_datList.count() - 1);
        if (m_datList.itemIndex < 0)
            m_datList.itemIndex = 0;
        notifyRaces();
    } catch (const text::FileError& e) {
        fileFailed(e);
        return;
    }
    openRace();
}

// --- race -----------------------------------------------------------------------

bool MainPanelModel::raceOpenable() const
{
    return m_datList.itemIndex >= 0 && m_datList.itemIndex < m_datList.count() &&
           m_datList.itemIndex < static_cast<int>(m_entries.size());
}

void MainPanelModel::openRace()
{
    if (!raceOpenable())
        return;
    try {
        // "No odds" of the race before stays only until another race opens.
        m_host.clearTransientTexts();
        m_panel1Visible = true;
        m_threePoints.reset();
        m_perHorseGridsVisible = false;
        notifyPanels();

        m_labels.Label3Dj2.clear();
        m_labels.CurJikokuLabel.clear();
        for (std::string& l : m_labels.JikokuLabel)
            l.clear();
        m_labels.ThyokeiLabel.clear();
        m_labels.FhyokeiLabel.clear();
        m_labels.WhyokeiLabel.clear();
        m_labels.UhyokeiLabel.clear();
        m_series.clear();
        m_steps->raceViewsCleared();
        resetTimeCaptions();
        notifyButtons();

        const int index = m_datList.itemIndex;
        m_table.currentRace = m_entries[static_cast<std::size_t>(index)].slot;
        RaceSlot& slot = m_table.slots[static_cast<std::size_t>(m_table.currentRace)];
        m_timeCombo.clear();
        notifyTimes();

        const SeriesOptions options = readSeriesOptions(m_ini);
        const std::string day = raceDay();
        m_raceFiles = raceOddsFiles(m_layout, slot.raRecord);

        readSeries(m_series, OddsFile::O1, m_raceFiles, slot.raRecord, day, options);
        for (std::size_t i = 0; i < m_series.chosenO1.size(); ++i)
            m_timeCaptions[i] = hourMinuteText(m_series.chosenO1[i]);
        notifyButtons();
        if (!m_series.o1Snapshots.empty()) {
            for (const std::string& s : m_series.o1Snapshots)
                m_timeCombo.items.push_back(timeListText(s));
            m_timeCombo.itemIndex = m_timeCombo.count() - 1;
            notifyTimes();
            selectMoment();
            m_labels.Label3Dj2 = std::to_string(m_timeCombo.count());
        } else {
            // An empty odds file shows the same as none: the race has no odds yet.
            m_host.drawTransientText(kNoOddsX, kNoOddsY, noOddsText());
        }

        readSeries(m_series, OddsFile::O2, m_raceFiles, slot.raRecord, day, options);

        m_labels.header = raceHeader(slot.raRecord);
        if (m_labels.header.Panel3Colour)
            m_labels.Panel3Colour = m_labels.header.Panel3Colour;
        notifyLabels();

        m_steps->threePointAnalysis();
        m_steps->timeSeriesHeaders();
        m_steps->perHorseRows();
        m_perHorseGridsVisible = true;
        notifyPanels();
        m_steps->resultsLabels();

        if (!slot.record.o1Time.empty())
            for (std::size_t i = 0; i < m_series.chosenO1.size(); ++i)
                m_labels.JikokuLabel[i] = hourMinuteText(m_series.chosenO1[i]);
        notifyLabels();

        m_steps->timeSeriesTables();
        m_steps->sortFlagsReset();

        m_upDownPosition = index;
        m_table.lastViewedRace = index;
        m_steps->raceCardShown();
        m_pageControlVisible = true;
        notifyRaces();
        notifyPanels();
    } catch (const text::FileError& e) {
        fileFailed(e);
    }
}

void MainPanelModel::selectMoment()
{
    RaceSlot* slot = currentSlot();
    if (!slot || m_timeCombo.itemIndex < 0 || m_timeCombo.itemIndex >= m_timeCombo.count())
        return;
    m_steps->momentSelectionStarting();
    try {
        m_lastSnapshot = loadSelectedSnapshot(*slot, m_raceFiles, momentKeyOfTimeText(m_timeCombo.text()));
    } catch (const text::FileError& e) {
        fileFailed(e);
        return;
    }
    switch (m_lastSnapshot.outcome) {
    case SelectedSnapshot::Outcome::Ready:
        m_steps->selectedMomentAnalysis(m_lastSnapshot);
        break;
    case SelectedSnapshot::Outcome::NoWinPlaceOdds:
        m_host.beep();
        m_host.information(noWinPlaceOddsText());
        break;
    case SelectedSnapshot::Outcome::NoQuinellaOdds:
        m_host.beep();
        m_host.information(noQuinellaOddsText());
        break;
    }
    m_panel1Visible = true;
    notifyLabels();
    notifyPanels();
}

void MainPanelModel::reopenRace()
{
    if (!raceOpenable())
        return;
    const bool newest = m_timeCombo.itemIndex >= 0 && m_timeCombo.itemIndex == m_timeCombo.count() - 1;
    const std::string selected = m_timeCombo.text();
    openRace(); // selects the newest moment
    if (!newest && !selected.empty())
        selectMomentText(selected);
}

bool MainPanelModel::selectMomentText(std::string_view timeText)
{
    for (int i = m_timeCombo.count() - 1; i >= 0; --i)
        if (m_timeCombo.items[static_cast<std::size_t>(i)] == timeText) {
            if (i != m_timeCombo.itemIndex)
                selectTime(i);
            return true;
        }
    return false;
}

// --- navigation -----------------------------------------------------------------

void MainPanelModel::selectRace(int index)
{
    m_datList.itemIndex = index;
    notifyRaces();
    openRace();
}

void MainPanelModel::selectTime(int index)
{
    m_timeCombo.itemIndex = index;
    notifyTimes();
    selectMoment();
}

bool MainPanelModel::openRaceAt(std::string_view dayLabel, std::string_view raceKey, std::string_view momentKey)
{
    auto dayIndex = [&] {
        const auto it = std::find(m_dateCombo.items.begin(), m_dateCombo.items.end(), dayLabel);
        return it == m_dateCombo.items.end() ? -1 : static_cast<int>(it - m_dateCombo.items.begin());
    };
    int day = dayIndex();
    if (day < 0) {
        buildDateList(); // a day imported since the list was built
        day = dayIndex();
    }
    if (day < 0)
        return false;
    if (day != m_dateCombo.itemIndex)
        DateComboChange(day);
    int race = -1;
    for (std::size_t i = 0; i < m_entries.size() && race < 0; ++i)
        if (records::RaView(m_table.slots[static_cast<std::size_t>(m_entries[i].slot)].raRecord).raceKey() == raceKey)
            race = static_cast<int>(i);
    if (race < 0)
        return false;
    if (race != m_datList.itemIndex)
        DatListClick(race);
    for (int t = 0; t < m_timeCombo.count(); ++t) {
        if (analysis::momentKeyOfTimeText(m_timeCombo.items[static_cast<std::size_t>(t)]) == momentKey) {
            TimeComboClick(t);
            return true;
        }
    }
    return false;
}

void MainPanelModel::DatListClick(int index)
{
    if (index < 0 || index >= m_datList.count())
        return;
    selectRace(index);
}

void MainPanelModel::UpDown1Click(int position)
{
    if (m_datList.count() < 2)
        return;
    selectRace(std::clamp(position, 0, m_datList.count() - 1));
}

void MainPanelModel::B4RBtnClick()
{
    if (!m_datList.empty() && m_datList.itemIndex > 0)
        selectRace(m_datList.itemIndex - 1);
}

void MainPanelModel::AfRBtnClick()
{
    if (!m_datList.empty() && m_datList.itemIndex < m_datList.count() - 1)
        selectRace(m_datList.itemIndex + 1);
}

void MainPanelModel::TimeComboClick(int index)
{
    if (index < 0 || index >= m_timeCombo.count())
        return;
    selectTime(index);
}

void MainPanelModel::B4TimeBtnClick()
{
    if (!m_datList.empty() && !m_timeCombo.empty() && m_timeCombo.itemIndex > 0)
        selectTime(m_timeCombo.itemIndex - 1);
}

void MainPanelModel::AfTimeBtnClick()
{
    if (!m_datList.empty() && !m_timeCombo.empty() && m_timeCombo.itemIndex < m_timeCombo.count() - 1)
        selectTime(m_timeCombo.itemIndex + 1);
}

void MainPanelModel::timePointButtonClick(int button)
{
    m_timeButtonDown = button;
    notifyButtons();
    if (m_timeCombo.empty())
        return;
    const std::string& caption = m_timeCaptions[static_cast<std::size_t>(button)];
    if (caption == kNoCaption)
        return;
    for (int i = m_timeCombo.count() - 1; i >= 0; --i)
        if (text::bytesAt(m_timeCombo.items[static_cast<std::size_t>(i)], 7, 5) == caption) {
            selectTime(i);
            return;
        }
}

void MainPanelModel::NextRaceBtnClick()
{
    if (text::trim(m_dateCombo.text()).empty() || m_datList.empty() || m_entries.empty())
        return;
    // The day is today when the first race of the list is run today.
    const RaceSlot& first = m_table.slots[static_cast<std::size_t>(m_entries.front().slot)];
    const text::DateTime now = m_host.now();
    if (records::RaView(first.raRecord).dayKey() != text::formatDateTime("yyyymmdd", now))
        return;
    const int n = nextRaceEntry(m_table, m_entries, text::formatDateTime("hhnn", now));
    if (n >= 0 && n < m_datList.count())
        selectRace(n);
}

// --- notifications --------------------------------------------------------------

void MainPanelModel::notifyDates()
{
    if (m_observer)
        m_observer->dateListChanged();
}
void MainPanelModel::notifyRaces()
{
    if (m_observer)
        m_observer->raceListChanged();
}
void MainPanelModel::notifyTimes()
{
    if (m_observer)
        m_observer->timeListChanged();
}
void MainPanelModel::notifyLabels()
{
    if (m_observer)
        m_observer->labelsChanged();
}
void MainPanelModel::notifyButtons()
{
    if (m_observer)
        m_observer->timeButtonsChanged();
}
void MainPanelModel::notifyPanels()
{
    if (m_observer)
        m_observer->panelsChanged();
}

} // namespace tidemark
