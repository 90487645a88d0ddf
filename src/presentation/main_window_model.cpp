#include "presentation/main_window_model.h"

#include "presentation/main_window_texts.h"
#include "presentation/three_point_grids.h"
#include "presentation/time_series_grids.h"
#include "records/record_view.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark {

using text::sj;

bool checkServiceInstalled(const NvLinkFactory& factory, Host& host)
{
    if (factory.installed())
        return true;
    host.beep();
    host.information(sj(texts::kMsgInstallUmaConn));
    host.openWithDefault(texts::kDownloadGuideUrl);
    return false;
}

MainWindowModel::MainWindowModel(Host& host, NvLink& link, std::filesystem::path programFolder,
                                 std::string exeName)
    : m_host(host)
    , m_link(link)
    , m_programFolder(std::move(programFolder))
    , m_ini(IniFile::pathForExecutable(m_programFolder / exeName))
    , m_errorLog(m_programFolder)
    , m_panel(m_host, m_programFolder, m_ini)
    , m_chartModel(m_host, m_ini)
    , m_results(m_host, m_panel)
    , m_channel(m_link)
    , m_store(store::StoreLayout(m_programFolder))
    , m_fetch(m_channel, m_host, m_store, m_programFolder)
    , m_resultsTimer(m_host, m_ini, [this] { fetchResults(true); })
    , m_matrix(m_ini, m_grids, [this] { return m_panel.currentSlot(); })
    , m_clipboard(m_host, m_grids,
                  [this] {
                      return presentation::clipboardTitles(m_panel.labels(), m_momentView, m_matrix.basisText());
                  })
    , m_sorting(m_grids)
    , m_ozGet(m_channel, m_host, m_store, [this] { return m_panel.DatList().count(); })
    , m_tokutei(m_host, m_ini, store::StoreLayout(m_programFolder))
    , m_oddsWatch(m_channel, m_host, m_store, m_ini, m_programFolder)
    , m_movers(m_host, m_ini, m_panel,
               [this](const std::string& day, const std::string& race, const std::string& moment) {
                   return m_panel.openRaceAt(day, race, moment);
               })
    , m_backtest(m_host, m_ini, store::StoreLayout(m_programFolder))
    , m_alerts(m_host, m_ini, store::StoreLayout(m_programFolder),
               [this](const std::string& day, const std::string& race, const std::string& moment) {
                   return m_panel.openRaceAt(day, race, moment);
               })
    , m_alertRules(m_host, m_ini, [this] { return presentation::alertRaceChoices(m_panel); }, [this] { m_alerts.reloadRules(); })
{
    presentation::layOutAllGrids(m_grids);
    m_panel.setSteps(this);
    m_matrix.setSettingsFailed([this](const std::exception& e) { settingsFailed(e); });
    m_backtest.setOpenRace([this](const std::string& day, const std::string& race, const std::string& moment) {
        return m_panel.openRaceAt(day, race, moment);
    });
    m_fetch.setOnLabel([this] {
        if (m_observer)
            m_observer->statusLabelChanged();
    });
    m_oddsWatch.setOnChange([this] {
        if (m_observer)
            m_observer->oddsWatchChanged();
    });
    m_oddsWatch.setOnRaceWritten([this](std::string_view raceKey) { oddsWatchWrote(raceKey); });
}

void MainWindowModel::create()
{
    m_errorLog.startUp(m_host.now(), text::fromUtf8(text::utf8Path(m_programFolder)));
    m_maeuri = settings::MaeUriIgnore.read(m_ini);
    // The store is one folder, "Data", however the texts spell it.
    text::ensureDirectory(dataFolder());
    text::ensureDirectory(csvFolder());
    restoreViewSettings();
}

void MainWindowModel::restoreViewSettings()
{
    // Every switch follows its stored value as if the user had set it.
    m_matrix.restore();
    for (int i = 0; i < 4; ++i)
        m_render.setGapThreshold(i, m_matrix.threshold(i));
}

std::string MainWindowModel::serviceId() const
{
    return std::string(texts::kServiceIdPrefix) + texts::kVersion;
}

bool MainWindowModel::firstShow()
{
    m_version = texts::kVersion;
    int r = m_link.NVInit(serviceId());
    if (r != 0) {
        m_host.message(sj(texts::kMsgNvInitError) + std::to_string(r));
        return false;
    }
    MakeDataListBtnClick();
    return true;
}

void MainWindowModel::MakeDataListBtnClick()
{
    m_panel.buildDateList();
}

WindowPlacement MainWindowModel::placement() const
{
    WindowPlacement p;
    p.top = settings::LocateTop.read(m_ini);
    p.left = settings::LocateLeft.read(m_ini);
    p.width = settings::LocateWidth.read(m_ini);
    p.height = settings::LocateHeight.read(m_ini);
    return p;
}

void MainWindowModel::close(const WindowPlacement& now)
{
    // Closing is always allowed; a settings file that cannot be written must not keep
    // the program from ending.
    try {
        settings::LocateTop.write(m_ini, now.top);
        settings::LocateLeft.write(m_ini, now.left);
        settings::LocateWidth.write(m_ini, now.width);
        settings::LocateHeight.write(m_ini, now.height);
    } catch (const text::FileError&) {
    }
}

void MainWindowModel::maeuriMenuClick()
{
    m_maeuri = !m_maeuri;
    try {
        settings::MaeUriIgnore.write(m_ini, m_maeuri);
    } catch (const text::FileError& e) {
        settingsFailed(e);
    }
}

void MainWindowModel::unexpectedFault(std::string_view whatUtf8)
{
    const std::string message = text::fromUtf8(whatUtf8);
    try {
        m_errorLog.append(message, m_host.now());
    } catch (const text::FileError&) {
        // The log itself failing must not hide the first fault: the box still says it.
    }
    m_host.beep();
    m_host.message(message);
}

// A setting that cannot be stored: the platform's message; the choice stays for this run.
void MainWindowModel::settingsFailed(const std::exception& e)
{
    m_host.beep();
    m_host.message(text::fromUtf8(e.what()));
}

void MainWindowModel::STDEVClick(int kind)
{
    m_matrix.STDEVClick(kind);
}

void MainWindowModel::HelpContentsItemClick()
{
    std::filesystem::path manual = m_programFolder / texts::kManualFile;
    std::error_code ec;
    // A zero-length file still counts as present.
    if (std::filesystem::is_regular_file(manual, ec)) {
        m_host.openWithDefault(text::utf8Path(manual));
        return;
    }
    m_host.beep();
    m_host.information(sj(texts::kMsgManualMissing));
}

acquisition::FetchSelection MainWindowModel::fetchSelection() const
{
    acquisition::FetchSelection sel;
    sel.daySelected = !m_panel.DateCombo().text().empty();
    sel.slot0Ra = m_panel.dayTable().slots.front().raRecord;
    if (const analysis::RaceSlot* slot = m_panel.currentSlot()) {
        sel.raceSelected = true;
        sel.raceRa = slot->raRecord;
        sel.numbersPending = slot->record.numbersPending;
    }
    return sel;
}

void MainWindowModel::fetchResults(bool silent)
{
    m_fetch.fetchResults(fetchSelection(), silent, [this] {
        m_results.HrReadBtnClick();
        // The finishing positions just read show at the moment the user is looking at.
        if (const int moment = m_panel.TimeCombo().itemIndex; moment >= 0)
            m_panel.TimeComboClick(moment);
        payoutsChanged();
    });
}

void MainWindowModel::KekkaGetBtnClick()
{
    fetchResults(false);
}

void MainWindowModel::SokuhoOddsBtnClick()
{
    m_fetch.fetchOdds(fetchSelection(), [this] { m_panel.loadDay(); });
}

void MainWindowModel::payoutTablesCleared()
{
    m_results.payoutTablesCleared();
    m_render.setRace(nullptr, {});
}

void MainWindowModel::importPayouts()
{
    m_results.HrReadBtnClick();
    payoutsChanged();
}

// The colouring marks the winning pairs of the open race.
void MainWindowModel::payoutsChanged()
{
    m_render.setRace(m_panel.currentSlot(), m_results.currentPayouts());
}

void MainWindowModel::batchDateListChanged(const std::vector<std::string>& labels, int /*selected*/)
{
    // The batch window picks its newest day not after today itself.
    m_ozGet.setDateList(labels);
}

results::ExportDay MainWindowModel::exportDay() const
{
    results::ExportDay day;
    for (const analysis::RaceSlot& slot : m_panel.dayTable().slots)
        day.slotRaceCards.push_back(slot.raRecord);
    day.listedRaces = m_panel.DatList().count();
    return day;
}

void MainWindowModel::sortFlagsReset()
{
    m_sorting.sortFlagsReset();
    m_grids[presentation::GridId::StringGrid2].clearSelection();
}

void MainWindowModel::raceCardShown()
{
    presentation::TextGrid& card = m_grids[presentation::GridId::StringGrid2];
    card.setVisible(true);
    card.clearSelection();
}

void MainWindowModel::SEditChange(int index, const std::string& text)
{
    switch (index) {
    case 0: m_matrix.SEdit1Change(text); break;
    case 1: m_matrix.SEdit2Change(text); break;
    case 2: m_matrix.SEdit3Change(text); break;
    case 3: m_matrix.SEdit4Change(text); break;
    default: return;
    }
    m_render.setGapThreshold(index, m_matrix.threshold(index));
}

void MainWindowModel::resultsTimerTick()
{
    // Every race card of the day: the window runs from the earliest post to the last.
    std::vector<std::string_view> cards;
    for (const analysis::RaceSlot& slot : m_panel.dayTable().slots)
        cards.emplace_back(slot.raRecord);
    m_resultsTimer.Timer4Timer(cards);
}

void MainWindowModel::raceViewsCleared()
{
    presentation::emptyPerHorseGrids(m_grids);
    presentation::emptyTimeSeriesGrids(m_grids);
    m_chartModel.empty();
    m_momentView.browse.clear();
    if (m_observer)
        m_observer->momentViewChanged();
}

void MainWindowModel::threePointAnalysis()
{
    presentation::runThreePointAnalysis(m_panel);
}

void MainWindowModel::timeSeriesHeaders()
{
    presentation::writeTimeSeriesHeaders(m_panel, m_grids);
}

void MainWindowModel::perHorseRows()
{
    presentation::writePerHorseRows(m_panel, m_grids);
}

void MainWindowModel::timeSeriesTables()
{
    m_chartModel.setSnapshots(m_panel.series().o1Snapshots);
    presentation::ChartRedraw charts = m_chartModel.redrawHandler();
    presentation::runTimeSeriesTables(m_panel, m_grids, m_chartModel.selections(),
                                      [this, charts](presentation::ChartList list) {
                                          charts(list);
                                          if (m_chartRedraw)
                                              m_chartRedraw(list);
                                      });
}

void MainWindowModel::resultsLabels()
{
    m_results.showRaceResults();
    payoutsChanged();
}

void MainWindowModel::momentSelectionStarting()
{
    presentation::beginMomentSelection(m_grids, m_momentView, m_panel.TimeCombo().text());
}

void MainWindowModel::selectedMomentAnalysis(const analysis::SelectedSnapshot& snapshot)
{
    presentation::runSelectedMoment(m_panel, m_grids, m_momentView, snapshot, m_matrix.momentOptions(),
                                    m_matrix.matrixRefresh());
    if (m_observer)
        m_observer->momentViewChanged();
}

void MainWindowModel::dayLoaded()
{
    const std::optional<std::string> date = store::dateOfDayLabel(m_panel.DateCombo().text());
    m_oddsWatch.dayShown(date.value_or(std::string()));
    if (m_movers.isOpen())
        m_movers.open();
}

// New odds of a race: the open race is read again if it is that one, where the user
// stands in it kept; an open board is built again.
void MainWindowModel::oddsWatchWrote(std::string_view raceKey)
{
    if (const analysis::RaceSlot* slot = m_panel.currentSlot())
        if (records::RaView(slot->raRecord).raceKey() == raceKey)
            m_panel.reopenRace();
    m_movers.oddsWritten();
    m_alerts.raceWritten(raceKey);
}

} // namespace tidemark
