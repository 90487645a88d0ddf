#!/usr/bin/env bash
# Builds the benchmarks (Release), runs every one briefly and prints each figure beside
# its target. Medians of REPS runs (default 3); MIN_TIME seconds per run (default 0.1).
# Usage: scripts/bench.sh [filter-regex]; NO_RUN=1 prints the table of the last run.
set -euo pipefail
cd "$(dirname "$0")/.."
REPS="${REPS:-3}"
MIN_TIME="${MIN_TIME:-0.1}"
FILTER="${1:-.}"

out=build/bench/results
mkdir -p "$out"
if [[ -z "${NO_RUN:-}" ]]; then
cmake --preset bench >/dev/null
cmake --build --preset bench -j2 >/dev/null
for exe in build/bench/bin/*_bench; do
  name=$(basename "$exe")
  QT_QPA_PLATFORM=offscreen "$exe" --benchmark_filter="$FILTER" --benchmark_min_time="$MIN_TIME" \
    --benchmark_repetitions="$REPS" --benchmark_report_aggregates_only=true \
    --benchmark_out="$out/$name.json" --benchmark_out_format=json >/dev/null 2>&1
done
fi

python3 - "$out" <<'PY'
import json, os, re, sys, glob

medians = {}
for f in glob.glob(os.path.join(sys.argv[1], "*.json")):
    with open(f) as fh:
        data = json.load(fh)
    for b in data.get("benchmarks", []):
        if b.get("error_occurred"):
            medians[re.sub(r"/(iterations:\d+|real_time|manual_time)", "", b["run_name"])] = {"error": b.get("error_message", "error")}
            continue
        if b.get("aggregate_name", "median") != "median":
            continue
        name = re.sub(r"/(iterations:\d+|real_time|manual_time)", "", b.get("run_name", b["name"]))
        medians[name] = b

def ms(name):
    last[0] = name
    b = medians.get(name)
    if b is None or "error" in b:
        return None
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    return b["real_time"] * scale

def cpu(name):
    b = medians.get(name)
    if b is None or "error" in b:
        return None
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    return b["cpu_time"] * scale

def counter(name, key):
    b = medians.get(name)
    return None if b is None or "error" in b else b.get(key)

rows = []
def fmt(value, unit):
    return "not run" if value is None else (f"{value:,.0f} {unit}" if value >= 100 else f"{value:.3g} {unit}")
last = [None]
def row(what, data, target, value, unit, ok):
    verdict = "" if ok is None or value is None else ("met" if ok else "MISSED")
    c = cpu(last[0]) if unit == "ms" and last[0] else None
    rows.append((what, data, target, fmt(value, unit), "" if c is None else fmt(c, "ms"), verdict))
    last[0] = None

v = ms("BM_OpenRace/150"); row("open a race, engine only", "18 runners, 150 + 150", "<= 5 ms", v, "ms", v is not None and v <= 5)
f = ms("BM_OpenRaceFloor/600"); v = ms("BM_OpenRace/600")
row("open a race, engine only", "18 runners, 600 + 600", "<= 20 ms and <= 2 x floor", v, "ms",
    v is not None and f is not None and v <= 20 and v <= 2 * f)
ms("BM_OpenRaceFloor/600"); row("floor: read both files, format every cell", "600 + 600", "(reference)", f, "ms", None)
v = ms("BM_TimeComboClick"); row("select a moment, engine only", "18 runners, 600", "<= 1 ms", v, "ms", v is not None and v <= 1)
v = ms("BM_WindowRaceSwitch"); row("switch races in the window, painted", "600 + 600", "<= 50 ms", v, "ms", v is not None and v <= 50)
v = ms("BM_WindowRaceSwitchChart"); row("switch races in the window, chart in front", "600 + 600, 36 lines", "(for comparison)", v, "ms", None)
f = ms("BM_ChartPaintFloor"); v = ms("BM_ChartPaint")
row("paint the largest chart", "36 x 600, log axis, 1180 x 760", "<= 2 x floor", v, "ms",
    v is not None and f is not None and v <= 2 * f)
ms("BM_ChartPaintFloor"); row("floor: the same lines, nothing else", "36 x 600", "(reference)", f, "ms", None)
v = ms("BM_LoadDay96Races"); row("load a day", "96 races, runners, payouts", "<= 10 ms", v, "ms", v is not None and v <= 10)
v = ms("BM_BuildDateList"); row("build the date list", "3,650 day files", "<= 20 ms", v, "ms", v is not None and v <= 20)
v = ms("BM_SpecificTimeExport"); row("specific-time CSV export", "96 races, 300 snapshots", "<= 100 ms", v, "ms", v is not None and v <= 100)
v = counter("BM_StoredDataImport30Days", "records_per_s")
row("stored-data import, simulated service", "30-day world", ">= 20,000 records/s", v, "records/s", v is not None and v >= 20000)
v = ms("BM_BatchOddsImportDay"); row("batch odds import of one day", "day of 36 races", "<= 2 s", v, "ms", v is not None and v <= 2000)
for bench, what, data in (("BM_ImportSideBySide", "the window's stored-data import", "30-day world"),
                          ("BM_OddsMonthSideBySide", "the window's batch odds import, a month", "30-day world"),
                          ("BM_ResultsMonthSideBySide", "the window's results fetch of every day", "30-day world"),
                          ("BM_OddsFetchesSideBySide", "the window's odds fetch of every race", "5 days of it")):
    f = counter(bench, "tool_ms"); v = ms(bench); last[0] = None  # the cpu of an iteration is both paths'
    row(what, data, "<= 1.25 x floor", v, "ms", v is not None and f is not None and v <= 1.25 * f)
    rows.append(("floor: the companion tool, same work", data, "(reference)", fmt(f, "ms"), "", ""))
v = counter("BM_WindowPeakMemory", "peak_MB"); row("peak memory of the window", "600 + 600 open", "<= 150 MB", v, "MB", v is not None and v <= 150)
v = ms("BM_MoversBoard40x300"); row("movers board of a day", "40 races x 18, 300 snapshots", "<= 50 ms", v, "ms", v is not None and v <= 50)
v = ms("BM_MoversBoardFloor40x300"); row("floor: read those 40 odds files", "40 x 300 snapshots", "(reference)", v, "ms", None)
b = ms("BM_MoversBoard40x300"); a = ms("BM_AlertsOneNewAnnouncement40x300"); v = None if a is None or b is None else a + b; last[0] = None
row("movers board and alerts, one round of the watch", "40 races, 3 rules, 1 new of 300", "<= 50 ms", v, "ms", v is not None and v <= 50)
v = ms("BM_AlertsEveryAnnouncement40x300"); v = None if v is None else v / 40; last[0] = None  # the watch writes one race a step
row("alerts at a race's first write after a late start", "300 announcements, 3 rules", "<= 50 ms", v, "ms", v is not None and v <= 50)
f = ms("BM_SeasonExportFloor"); v = ms("BM_SeasonExportSqlite")
row("season export to SQLite", "simulated month, 4 tables", ">= 1/2 floor speed (<= 2 x floor)", v, "ms",
    v is not None and f is not None and v <= 2 * f)
ms("BM_SeasonExportFloor"); row("floor: read and make the same rows", "simulated month", "(reference)", f, "ms", None)
v = ms("BM_SqliteWriteFloor"); row("floor of SQLite itself: as many rows, nothing read", "1.66 M rows", "(reference)", v, "ms", None)
v = counter("BM_SeasonExportPeakMemory/iterations:1", "peak_MB"); row("peak memory of the season export", "simulated month", "< 200 MB", v, "MB", v is not None and v < 200)
for rule in ("favourite", "gap", "bracket", "winplace", "steam"):
    v = ms("BM_BacktestMonth/" + rule); row("backtest of a month, " + rule, "simulated month", "< 2 s", v, "ms", v is not None and v < 2000)
rows.append(("-- for comparison --", "", "", "", "", ""))
v = counter("BM_StoredDataSingleWrites1Day", "records_per_s"); row("stored-data records stored one by one", "1-day world", "", v, "records/s", None)
v = counter("BM_StoreDaySingleWrites", "records_per_s"); row("a day stored record by record", "540 records", "", v, "records/s", None)
v = counter("BM_StoreDayBatch", "records_per_s"); row("a day stored in one batch", "540 records", "", v, "records/s", None)
v = ms("BM_OpenRaceFloor/150"); row("floor", "150 + 150", "", v, "ms", None)
v = ms("BM_TimeSeriesTables"); row("the time-series step of an opening", "600 + 600", "", v, "ms", None)
v = ms("BM_OpenRaceWithoutSeries/600"); row("an opening without the time-series step", "600 + 600", "", v, "ms", None)
v = ms("BM_MomentAnalysisAndGrids"); row("moment analysis and grids, odds in memory", "600", "", v, "ms", None)
v = ms("BM_GridFill300x155"); row("fill a 300 x 155 grid", "46,500 cells", "", v, "ms", None)
v = ms("BM_DayOfOdds"); row("simulated service alone: a day of odds", "", "", v, "ms", None)
v = ms("BM_MonthOfStoredData"); row("simulated service alone: a month of stored data", "", "", v, "ms", None)

head = ("what", "data", "target", "measured (wall)", "cpu", "")
widths = [max(len(r[i]) for r in rows + [head]) for i in range(6)]
def line(r): return "| " + " | ".join(r[i].ljust(widths[i]) for i in range(6)) + " |"
print(line(head))
print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
for r in rows:
    print(line(r))
PY
