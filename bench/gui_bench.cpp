// The main window off-screen over a day whose races 1 and 2 have 600 + 600 odds
// announcements: a race switch with the quinella time-series page in front until the
// window has painted it (and the same with the bracket-quinella chart in front), and
// the peak memory of the process with such a race open. Then the largest chart painted
// whole (36 lines of 600 points, logarithmic axis, 1180 x 760) beside its floor, the
// same lines drawn with the same pens and nothing else.
#include <benchmark/benchmark.h>

#include "peak_memory.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QPolygonF>
#include <QTabWidget>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "gui/chart_widget.h"
#include "gui/grid_table_model.h"
#include "gui/grid_view.h"
#include "gui/main_form.h"
#include "gui/qt_host.h"
#include "host/silent_host.h"
#include "presentation/chart_model.h"
#include "presentation/main_window_model.h"
#include "records/pair_index.h"
#include "records/record_builder.h"
#include "service/null_nv_link.h"
#include "settings/ini_file.h"
#include "store/store_layout.h"
#include "text/cp932.h"
#include "text/number_format.h"

using namespace tidemark;

namespace {

namespace fs = std::filesystem;

constexpr int kRunners = 18;
constexpr int kSnapshots = 600;

std::string crlf(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return out;
}

void put(const fs::path& file, const std::string& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The same series as the engine benchmarks: every horse, bracket pair and quinella pair priced.
std::string o1Line(int i, int race)
{
    records::O1Builder b;
    b.creationDate("20240115").date(2024, 1, 15).track("30").meeting(11).day(2).race(race);
    b.announcement(1, 15, 8 + i / 60, i % 60).winSale('7').placeSale('7').bracketSale('7');
    for (int h = 1; h <= kRunners; ++h)
        b.win(h, 1.5 + h + (i % 7) * 0.3, h).place(h, 1.1 + h * 0.2, 1.5 + h * 0.3, h);
    for (int k = 1; k <= 36; ++k)
        b.bracketQuinella(k, 3.0 + k + (i % 5), k);
    b.winVotes(1000000 + i).placeVotes(500000).bracketVotes(300000);
    return b.line();
}

std::string o2Line(int i, int race)
{
    records::O2Builder b;
    b.creationDate("20240115").date(2024, 1, 15).track("30").meeting(11).day(2).race(race);
    b.announcement(1, 15, 8 + i / 60, i % 60).quinellaSale('7');
    for (int k = 1; k <= 153; ++k)
        b.quinella(k, 2.0 + k * 0.7 + (i % 3), k);
    b.quinellaVotes(2000000 + i);
    return b.line();
}

// A day of twelve races of 18 runners at one track; races 1 and 2 with their odds.
fs::path writeStore()
{
    const fs::path folder = fs::temp_directory_path() / "tidemark_gui_bench";
    fs::remove_all(folder);
    const store::StoreLayout layout(folder);
    const std::string label = *store::dayLabelOfDate("20240115");
    std::vector<std::string> ra;
    std::vector<std::string> se(216, std::string(records::kSeLineLength, ' '));
    for (int race = 1; race <= 12; ++race) {
        records::RaBuilder card;
        card.date(2024, 1, 15).track("30").meeting(11).day(2).race(race).runners(kRunners);
        card.startTime(text::formatZeroPad(10 + race, 2) + "00");
        ra.push_back(card.line());
        for (int h = 1; h <= kRunners; ++h) {
            records::SeBuilder b;
            b.date(2024, 1, 15).track("30").meeting(11).day(2).race(race).horse(h);
            b.bracket(records::BracketOfHorse(kRunners, h));
            se[static_cast<std::size_t>((race - 1) * 18 + h - 1)] = b.line();
        }
    }
    put(layout.raFile(label), crlf(ra));
    put(layout.seFile(label, "30"), crlf(se));
    for (int race : {1, 2}) {
        std::vector<std::string> o1;
        std::vector<std::string> o2;
        for (int i = 0; i < kSnapshots; ++i) {
            o1.push_back(o1Line(i, race));
            o2.push_back(o2Line(i, race));
        }
        const std::string key(text::bytesAt(o1.front(), 12, 16));
        put(layout.oddsFile(store::StoreKind::O1, key), crlf(o1));
        put(layout.oddsFile(store::StoreKind::O2, key), crlf(o2));
    }
    return folder;
}

using QuietHost = SilentHost;

// The window with the day loaded and race 1 open, the quinella odds series in front.
struct Window {
    fs::path folder = writeStore();
    QuietHost host;
    NullNvLink link;
    MainWindowModel model{host, link, folder};
    gui::QtHost qtHost;
    std::unique_ptr<gui::TMainForm> form;

    // `chart`: the chart of that name in front instead of the quinella grid.
    bool open(const QString& chart = {})
    {
        model.create();
        form = std::make_unique<gui::TMainForm>(model, qtHost);
        form->resize(1180, 760);
        form->show();
        QCoreApplication::processEvents();
        if (form->DateCombo->count() != 1)
            return false;
        model.panel().DateComboChange(0);
        if (form->TimeCombo->count() != kSnapshots)
            return false;
        // The quinella page of "時系列ｵｯｽﾞ表" (or the chart) in front, every page control on
        // its way to it.
        QWidget* page = chart.isEmpty() ? form->page(QStringLiteral("TabSheet26d"))
                                        : form->findChild<gui::ChartWidget*>(chart);
        if (!page)
            return false;
        for (QWidget* w = page; w && w != form.get(); w = w->parentWidget())
            if (auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
                if (tabs->indexOf(w) >= 0)
                    tabs->setCurrentWidget(w);
        if (!chart.isEmpty())
            page->installEventFilter(&painter);
        for (gui::GridView* view : page->findChildren<gui::GridView*>())
            if (view->gridModel().gridId() == presentation::GridId::StringGrid7)
                view->viewport()->installEventFilter(&painter);
        return paint() && page->isVisible();
    }

    // Until the window has painted the quinella grid: the posted work (model resets,
    // layouts, the update requests) done by the event loop, as on screen. A window that
    // has nothing pending is painted at once.
    bool paint()
    {
        const int before = painter.paints;
        for (int i = 0; i < 50 && painter.paints == before; ++i)
            QCoreApplication::processEvents();
        if (painter.paints == before)
            form->repaint();
        return painter.paints != before;
    }

    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                ++paints;
            return QObject::eventFilter(watched, event);
        }
    } painter;

    ~Window()
    {
        if (form)
            form->close();
        form.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

QApplication& app()
{
    static int argc = 1;
    static char name[] = "gui_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QApplication(argc, argv);
    }();
    return *instance;
}

// Runs first, in a fresh process, so that the peak is the window's own: the window
// built, the day loaded, races 1 and 2 opened in turn and painted.
void BM_WindowPeakMemory(benchmark::State& state)
{
    app();
    Window w;
    if (!w.open()) {
        state.SkipWithError("the window did not open the race");
        return;
    }
    int race = 0;
    for (auto _ : state) {
        race = 1 - race;
        w.model.panel().DatListClick(race);
        if (!w.paint())
            state.SkipWithError("the quinella grid was not painted");
    }
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_WindowPeakMemory)->Iterations(6)->Unit(benchmark::kMillisecond);

// A click in the race list switching between races 1 and 2 (600 + 600 each), the
// quinella time-series page shown, until the window is painted.
void BM_WindowRaceSwitch(benchmark::State& state)
{
    app();
    Window w;
    if (!w.open()) {
        state.SkipWithError("the window did not open the race");
        return;
    }
    int race = 0;
    for (auto _ : state) {
        race = 1 - race;
        w.model.panel().DatListClick(race);
        if (!w.paint())
            state.SkipWithError("the quinella grid was not painted");
    }
    if (w.form->DatList->currentRow() != race)
        state.SkipWithError("the race list does not show the race opened");
}
BENCHMARK(BM_WindowRaceSwitch)->Unit(benchmark::kMillisecond);

// The same with the bracket-quinella odds chart in front (36 lines of 600 points), until
// the chart is painted.
void BM_WindowRaceSwitchChart(benchmark::State& state)
{
    app();
    Window w;
    if (!w.open(QStringLiteral("Chart2"))) {
        state.SkipWithError("the window did not open the race on the chart");
        return;
    }
    int race = 0;
    for (auto _ : state) {
        race = 1 - race;
        w.model.panel().DatListClick(race);
        if (!w.paint())
            state.SkipWithError("the chart was not painted");
    }
}
BENCHMARK(BM_WindowRaceSwitchChart)->Unit(benchmark::kMillisecond);

// The bracket-quinella odds chart of a race of 600 announcements, every pair ticked:
// its series (colours, widths, titles) from the chart model, lines that wander over
// the logarithmic range as odds do.
presentation::ChartState largestChart()
{
    const fs::path folder = fs::temp_directory_path() / "tidemark_gui_bench_chart";
    fs::create_directories(folder);
    QuietHost host;
    IniFile ini(folder / "Tidemark2NV.ini");
    presentation::ChartModel model(host, ini);
    presentation::ChartState chart = model.chart(presentation::ChartId::Chart2);
    fs::remove_all(folder);
    chart.axis.logarithmic = true;
    chart.axis.minimum = presentation::kOddsLogFloor;
    chart.axis.maximum = 1000.0;
    for (int j = 0; j < kSnapshots; ++j)
        chart.xAxis.labels.push_back(text::formatZeroPad(8 + j / 60, 2) + ":" + text::formatZeroPad(j % 60, 2));
    std::uint32_t seed = 12345;
    for (std::size_t k = 0; k < chart.series.size(); ++k) {
        presentation::ChartSeries& s = chart.series[k];
        s.inLegend = true;
        double odds = 3.0 + 12.0 * static_cast<double>(k);
        for (int j = 0; j < kSnapshots; ++j) {
            seed = seed * 1664525u + 1013904223u;
            odds = std::clamp(odds * (0.97 + 0.06 * (seed >> 8) / 16777216.0), 1.1, 999.0);
            s.points.push_back({j, odds, chart.xAxis.labels[static_cast<std::size_t>(j)]});
        }
    }
    return chart;
}

constexpr int kChartWidth = 1180;
constexpr int kChartHeight = 760;

// The chart changed and is painted whole: laid out, its lines mapped, everything drawn.
void BM_ChartPaint(benchmark::State& state)
{
    app();
    const presentation::ChartState chart = largestChart();
    gui::ChartWidget widget(chart);
    widget.resize(kChartWidth, kChartHeight);
    QImage surface(kChartWidth, kChartHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        widget.stateChanged();
        QPainter p(&surface);
        widget.paintChart(p);
    }
    if (widget.canvas().lines().size() != 36 || widget.canvas().lines()[35].size() != kSnapshots)
        state.SkipWithError("the chart did not draw every line");
}
BENCHMARK(BM_ChartPaint)->Unit(benchmark::kMillisecond);

// The floor: the same 36 polylines, the same pens, antialiased and clipped to the same
// plotting area, nothing else.
void BM_ChartPaintFloor(benchmark::State& state)
{
    app();
    const presentation::ChartState chart = largestChart();
    gui::ChartWidget widget(chart);
    widget.resize(kChartWidth, kChartHeight);
    std::vector<QPolygonF> lines;
    std::vector<QPen> pens;
    for (std::size_t i = 0; i < widget.canvas().lines().size(); ++i) {
        QPolygonF line;
        for (const presentation::ChartPixel& px : widget.canvas().lines()[i])
            line.append(QPointF(px.x, px.y));
        lines.push_back(line);
        const presentation::ChartSeries& s = chart.series[i];
        pens.emplace_back(QColor(s.colour.red(), s.colour.green(), s.colour.blue()), s.lineWidth, Qt::SolidLine,
                          Qt::RoundCap, Qt::RoundJoin);
    }
    const presentation::ChartRect& plot = widget.canvas().layout().plot;
    QImage surface(kChartWidth, kChartHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&surface);
        p.setClipRect(QRectF(plot.x - 1, plot.y - 1, plot.width + 2, plot.height + 2));
        p.setRenderHint(QPainter::Antialiasing);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            p.setPen(pens[i]);
            p.drawPolyline(lines[i]);
        }
    }
}
BENCHMARK(BM_ChartPaintFloor)->Unit(benchmark::kMillisecond);

} // namespace
