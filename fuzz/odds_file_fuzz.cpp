// The odds-file loader over arbitrary files: a race card (part 0), its .nvO1 file
// (part 1) and its .nvO2 file (part 2), then a settings byte (part 3). The series is
// opened as the main window opens a race, the three time points analysed, the latest
// moment loaded and analysed, the share change of the movers board taken, the charts
// filled and laid out with the pointer over them, and the export's reader run over the
// same files.

#include "analysis/race_calendar.h"
#include "analysis/selected_moment.h"
#include "analysis/selected_snapshot.h"
#include "analysis/snapshot_series.h"
#include "analysis/three_point_analysis.h"
#include "analytics/race_share_change.h"
#include "fuzz_support.h"
#include "presentation/chart_canvas.h"
#include "presentation/chart_model.h"
#include "results/specific_time_export.h"
#include "text/cp932.h"
#include "settings/ini_file.h"
#include "text/file_io.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace tidemark;

namespace {

struct FixedMeasure : presentation::ChartTextMeasure {
    double width(const std::string& s) const override { return 7.0 * static_cast<double>(s.size()); }
    double height() const override { return 13.0; }
};

// Every chart of the race on a surface whose size and pointer come from the flags: the
// times never overlap, the read-out is sorted and inside the surface, the lines stay
// finite.
void chartsOf(const analysis::SnapshotList& o1, int runners, unsigned f, const std::filesystem::path& folder)
{
    SilentHost host;
    IniFile ini(folder / "charts.ini");
    presentation::ChartModel model(host, ini);
    model.fill(o1, std::clamp(runners, 0, 18));
    model.RadioGroup12Click(static_cast<int>(f & 1));
    model.RadioGroup2Click(static_cast<int>((f >> 1) & 1));
    const FixedMeasure measure;
    for (presentation::ChartId id : presentation::kAllCharts) {
        presentation::ChartCanvas canvas(model.chart(id), measure);
        canvas.resize(40.0 + f * 5, 30.0 + (f * 7) % 700);
        const presentation::ChartLayout& L = canvas.layout();
        for (std::size_t k = 1; k < L.xMarks.size(); ++k)
            if (L.xMarks[k].position - L.xMarks[k - 1].position < measure.height())
                fuzz::broken("two time labels overlap");
        for (const std::vector<presentation::ChartPixel>& line : canvas.lines())
            for (const presentation::ChartPixel& p : line)
                if (!std::isfinite(p.x) || !std::isfinite(p.y))
                    fuzz::broken("a line point off the numbers");
        canvas.mouseMove(L.plot.x + L.plot.width * (f % 11) / 10.0, L.plot.y + L.plot.height / 2.0);
        const presentation::ChartHover& hover = canvas.hover();
        for (std::size_t k = 1; k < hover.rows.size(); ++k)
            if (hover.rows[k].y < hover.rows[k - 1].y - 1e-6)
                fuzz::broken("the read-out is not highest first");
        canvas.click(L.plot.x + L.plot.width / 2.0, L.plot.y + L.plot.height * (f % 7) / 6.0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::Scratch scratch;
    const auto parts = fuzz::splitParts(data, size);
    const std::filesystem::path& folder = scratch.fresh();

    const std::string ra(fuzz::partOr(parts, 0));
    analysis::RaceOddsFiles files{folder / "race.nvO1", folder / "race.nvO2"};
    text::writeFileAtomic(files.o1, fuzz::partOr(parts, 1));
    if (parts.size() > 2)
        text::writeFileAtomic(files.o2, parts[2]);
    const std::string_view flags = fuzz::partOr(parts, 3);
    const unsigned f = flags.empty() ? 0u : static_cast<unsigned char>(flags[0]);

    analysis::SeriesOptions options;
    options.ignoreFirstTime = (f & 1) == 0;
    options.firstTime = static_cast<int>(f) * 7;
    options.timePoints.ignoreAdvanceSale = (f & 2) != 0;
    options.timePoints.notUse = (f & 4) != 0;
    options.timePoints.firstMinutes = static_cast<int>(f % 90);

    analysis::RaceSlot slot;
    slot.raRecord = ra;
    analysis::deriveRaceRecord(slot);

    analysis::SnapshotSeries series =
        analysis::openRaceSeries(files, ra, text::bytesAt(ra, 16, 4), options);
    analysis::ThreePointTable three;
    analysis::computeThreePoints(three, series.chosenO1, series.chosenO2, slot.record.runnerCount);
    const analytics::RaceShareChange moved =
        analytics::raceShareChange(series.o1Snapshots, static_cast<int>(f * 11 % 1440), static_cast<int>(f % 40) - 5);
    for (const analytics::RunnerShareChange* r : moved.counted())
        if (!r->a.winPriced() || !r->b.winPriced() || moved.minuteA > moved.minuteB)
            fuzz::broken("a runner counted without its prices at A and B");
    if (moved.snapshotA != analytics::RaceShareChange::kNone && moved.snapshotB == analytics::RaceShareChange::kNone)
        fuzz::broken("a snapshot A without a snapshot B");

    chartsOf(series.o1Snapshots, slot.record.runnerCount, f, folder);

    if (!series.o1Snapshots.empty()) {
        const std::string key =
            analysis::momentKeyOfTimeText(analysis::timeListText(series.o1Snapshots.back()));
        const analysis::SelectedSnapshot selected = analysis::loadSelectedSnapshot(slot, files, key);
        if (selected.outcome == analysis::SelectedSnapshot::Outcome::Ready)
            analysis::analyseSelectedMoment(slot, selected.pricedHorses, analysis::stdDevKindOf(static_cast<int>(f % 3)),
                                            series.o1Snapshots, key);
    }

    std::vector<std::string> lines;
    for (const auto& file : {files.o1, files.o2}) {
        if (!results::loadSnapshotLines(file, lines))
            continue;
        const std::string target = results::targetMoment(ra, {});
        if (const auto k = results::chooseSnapshot(lines, target)) {
            for (results::TicketFile t : results::kTicketFiles) {
                (void)results::onSale(t, lines[*k]);
                (void)results::dataLine(t, results::ExportItem::Odds, ra, lines[*k]);
                (void)results::dataLine(t, results::ExportItem::Popularity, ra, lines[*k]);
            }
        }
    }
    return 0;
}
