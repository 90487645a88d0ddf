// Takes the pictures of the manual and the README off-screen: a simulated week imported
// through the engines into a scratch program folder, then the main window on a race of
// its last day with results, page by page, the other windows (a backtest over the week
// among them), the race day's watch, movers board and alerts (with the clock put back to
// the afternoon of the last day), the version window and the program icon.
//
//   tidemark_screenshots OUTPUT_FOLDER

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDataStream>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>
#include <vector>

#include "acquisition/batch_odds_import.h"
#include "acquisition/nv_channel.h"
#include "acquisition/stored_data_import.h"
#include "gui/alert_forms.h"
#include "gui/backtest_form.h"
#include "gui/chart_widget.h"
#include "gui/main_form.h"
#include "gui/movers_form.h"
#include "gui/qt_host.h"
#include "gui/sim_settings_dialog.h"
#include "host/silent_host.h"
#include "gui/time_dialogs.h"
#include "gui/version_form.h"
#include "nvsim/sim_nv_link.h"
#include "presentation/alert_model.h"
#include "presentation/main_window_model.h"
#include "settings/settings_keys.h"
#include "store/record_store.h"
#include "text/cp932.h"

namespace {

using namespace tidemark;

// Answers every box silently and lets the caller tick the timers.
struct QuietHost : SilentHost {
    QuietHost() { openAnswer = true; }
};

bool importDay(const std::filesystem::path& folder, QuietHost& host, nvsim::SimNvLink& sim)
{
    IniFile ini(folder / "Tidemark2NV.ini");
    store::RecordStore store{store::StoreLayout(folder)};
    acquisition::NvChannel channel(sim);
    settings::writeLastTime(ini, "2024/01/05 00:00:00");
    {
        acquisition::StoredDataImport import(channel, host, store, ini);
        import.open();
        import.start();
        for (int i = 0; i < 100000 && import.phase() == acquisition::StoredDataImport::Phase::Downloading; ++i)
            host.fire(TimerId::TimerNVStatus);
        if (import.phase() != acquisition::StoredDataImport::Phase::Idle)
            return false;
    }
    acquisition::BatchOddsImport batch(channel, host, store);
    const std::vector<std::string> days = store.layout().dayLabels();
    batch.setDateList(days);
    for (const std::string& day : days) {
        batch.showFor(day);
        batch.importDay();
    }
    return !days.empty();
}

int failures = 0;

void save(QWidget& w, const QString& folder, const char* name)
{
    QApplication::processEvents();
    if (!w.grab().save(folder + QLatin1Char('/') + QLatin1String(name))) {
        std::fprintf(stderr, "tidemark_screenshots: cannot write %s\n", name);
        ++failures;
    }
}

// Photographs a modal dialog once it is up, then closes it.
void whenModal(const QString& folder, const char* name)
{
    QTimer::singleShot(0, [folder, name] {
        QWidget* d = QApplication::activeModalWidget();
        if (d == nullptr) {
            std::fprintf(stderr, "tidemark_screenshots: no dialog for %s\n", name);
            ++failures;
            return;
        }
        save(*d, folder, name);
        d->close();
    });
}

} // namespace

// The program's picture as a Windows icon (the executable's and the Start menu's): one
// PNG image per size in an ICO container, as Windows reads it since Vista.
static bool saveWindowsIcon(const QString& path)
{
    const std::vector<int> sizes{16, 24, 32, 48, 64, 256};
    std::vector<QByteArray> images;
    for (int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!gui::programPicture(size).save(&buffer, "PNG"))
            return false;
        images.push_back(png);
    }
    QByteArray ico;
    QDataStream s(&ico, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << quint16(0) << quint16(1) << quint16(sizes.size());
    quint32 offset = 6 + 16 * static_cast<quint32>(sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const auto side = static_cast<quint8>(sizes[i] >= 256 ? 0 : sizes[i]); // 0 stands for 256
        s << side << side << quint8(0) << quint8(0) << quint16(1) << quint16(32)
          << quint32(images[i].size()) << offset;
        offset += static_cast<quint32>(images[i].size());
    }
    for (const QByteArray& png : images)
        s.writeRawData(png.constData(), static_cast<int>(png.size()));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(ico) == ico.size();
}

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tidemark_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir scratch;
    const std::filesystem::path folder = scratch.path().toStdString();

    QuietHost host;
    nvsim::SimConfig config;
    config.seed = 4242;
    config.firstDay = text::DateTime{2024, 1, 6};
    config.lastDay = text::DateTime{2024, 1, 12};
    config.downloadSpeed = 50;
    nvsim::SimNvLink sim(config, [&host] { return host.now(); });
    if (sim.NVInit("SA418372/SD605291/TidemarkNV/Ver.1.15") != 0 || !importDay(folder, host, sim)) {
        std::fprintf(stderr, "tidemark_screenshots: the simulated day could not be imported\n");
        return 1;
    }

    MainWindowModel model(host, sim, folder);
    model.create();
    gui::QtHost qtHost;
    gui::TMainForm f(model, qtHost);
    f.resize(1180, 760);
    f.show();
    if (f.DateCombo->count() == 0) {
        std::fprintf(stderr, "tidemark_screenshots: no race day in the list\n");
        return 1;
    }
    model.panel().DateComboChange(0);
    // The day's main race: late on the card, with a full field and its result.
    const int races = f.DatList->count();
    if (races > 10)
        model.panel().DatListClick(10);
    QApplication::processEvents();

    save(f, out, "main_window.png");
    for (int page = 0; page < f.PageControl1->count(); ++page) {
        if (!f.PageControl1->isTabVisible(page))
            continue;
        f.PageControl1->setCurrentIndex(page);
        save(f, out, QStringLiteral("page_%1.png").arg(page, 2, 10, QLatin1Char('0')).toLatin1().constData());
    }
    // Every chart of the page "グラフ" in front in turn: chart_<page>_<tab>.png.
    if (auto* graph = f.findChild<QTabWidget*>(QStringLiteral("PageControl14"))) {
        for (int p = 0; p < f.PageControl1->count(); ++p)
            if (f.PageControl1->widget(p)->isAncestorOf(graph))
                f.PageControl1->setCurrentIndex(p);
        for (int page = 0; page < graph->count(); ++page) {
            graph->setCurrentIndex(page);
            QTabWidget* tabs = graph->widget(page)->findChild<QTabWidget*>();
            for (int tab = 0; tab < (tabs ? tabs->count() : 1); ++tab) {
                if (tabs)
                    tabs->setCurrentIndex(tab);
                save(f, out, QStringLiteral("chart_%1_%2.png").arg(page).arg(tab).toLatin1().constData());
            }
            if (tabs)
                tabs->setCurrentIndex(0);
        }
        graph->setCurrentIndex(0);
        // The win chart with the favourite emphasised (a click on its legend entry) and
        // the pointer over the chart, reading out a snapshot; then as it was.
        if (auto* win = f.findChild<gui::ChartWidget*>(QStringLiteral("Chart1"))) {
            presentation::ChartCanvas& canvas = win->canvas();
            const presentation::ChartState& state = canvas.state();
            int favourite = -1;
            for (int i = 0; i < static_cast<int>(state.series.size()); ++i)
                if (canvas.drawn(i)
                    && (favourite < 0 || state.series[static_cast<std::size_t>(i)].points.back().y
                                             < state.series[static_cast<std::size_t>(favourite)].points.back().y))
                    favourite = i;
            const auto send = [win](QEvent::Type type, QPointF at, Qt::MouseButton button) {
                QMouseEvent e(type, at, win->mapToGlobal(at), button, button, Qt::NoModifier);
                QApplication::sendEvent(win, &e);
            };
            const presentation::ChartLayout& L = canvas.layout();
            QPointF entry;
            for (const presentation::ChartLegendEntry& e : L.legendEntries)
                if (e.series == favourite)
                    entry = QPointF(e.rect.x + e.rect.width / 2.0, e.rect.y + e.rect.height / 2.0);
            send(QEvent::MouseButtonPress, entry, Qt::LeftButton);
            send(QEvent::MouseMove, QPointF(L.plot.x + L.plot.width * 0.62, L.plot.y + L.plot.height * 0.35), Qt::NoButton);
            if (canvas.emphasised() < 0 || !canvas.hover().active) {
                std::fprintf(stderr, "tidemark_screenshots: the win chart shows no emphasis or read-out\n");
                ++failures;
            }
            save(f, out, "chart_hover.png");
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(win, &leave);
            send(QEvent::MouseButtonPress, entry, Qt::LeftButton);
        } else {
            ++failures;
        }
    } else {
        ++failures;
    }
    f.PageControl1->setCurrentIndex(0);

    gui::VersionForm version(QString::fromUtf8(model.versionText().c_str()));
    version.show();
    save(version, out, "version_window.png");

    // The three dialogs of the options menu, on a settings file of their own.
    IniFile dialogSettings(folder / "dialogs.ini");
    whenModal(out, "dialog_first_time.png");
    gui::showFirstTimeForm(nullptr, dialogSettings, host);
    whenModal(out, "dialog_oz_get_time.png");
    gui::showOzGetTimeForm(nullptr, dialogSettings, host);
    whenModal(out, "dialog_time_add.png");
    gui::showTimeAddForm(nullptr, dialogSettings, host);
    // The simulated service's settings dialog ("UmaConn設定"), over a file of its own.
    whenModal(out, "sim_settings_dialog.png");
    gui::simSettingsEditor(host)(folder / "dialog-NVSim.ini");

    // The import and export windows, opened as the user opens them.
    if (auto* jv = f.findChild<QPushButton*>(QStringLiteral("JVBtn"))) {
        whenModal(out, "window_get_data.png");
        jv->click();
    }
    if (auto* oz = f.findChild<QPushButton*>(QStringLiteral("OzGetBtn"))) {
        whenModal(out, "window_oz_get.png");
        oz->click();
    }
    // Closing the import window rebuilds the day list with no day chosen; the export
    // window wants one.
    model.panel().DateComboChange(0);
    if (auto* n9 = f.findChild<QAction*>(QStringLiteral("N9"))) {
        whenModal(out, "window_tokutei_jikoku.png");
        n9->trigger();
    }

    // The backtest window over the week, as a user runs it.
    if (auto* menu = f.findChild<QAction*>(QStringLiteral("BacktestMenu"))) {
        menu->trigger();
        gui::TBacktestForm& backtest = *f.backtestForm();
        backtest.FromDate->setDate(QDate(2024, 1, 6));
        backtest.ToDate->setDate(QDate(2024, 1, 12));
        backtest.RuleCombo->setCurrentIndex(5); // 断層表
        Q_EMIT backtest.RuleCombo->activated(5);
        backtest.RunBtn->click();
        // The model's host here is a silent one: its worker's posts run when it is pumped.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (model.backtest().running() && std::chrono::steady_clock::now() < deadline) {
            host.processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }

        backtest.resize(1060, 800);
        QApplication::processEvents();
        save(backtest, out, "window_backtest.png");
        backtest.close();
    } else {
        ++failures;
    }

    // Race day: the same day as if it were today, 16:03, with the watch switched on and
    // the movers board looking back on the half hour before 15:30.
    host.clock = text::DateTime{2024, 1, 12, 16, 3, 0};
    model.panel().DateComboChange(0);
    if (f.DatList->count() > 3)
        model.panel().DatListClick(3);
    if (auto* watch = f.findChild<QToolButton*>(QStringLiteral("OddsWatchBtn"))) {
        watch->click();
        // One round: every race within the hour, the open one among them.
        for (int i = 0; i < 40 && model.oddsWatch().watch().statusText().find(text::sj("次回")) == std::string::npos; ++i)
            host.fire(TimerId::OddsWatchTimer);
        save(f, out, "odds_watch.png");
        watch->click();
    }
    if (auto* set = f.findChild<QToolButton*>(QStringLiteral("OddsWatchSetBtn"))) {
        whenModal(out, "dialog_odds_watch.png");
        set->click();
    }
    if (auto* movers = f.findChild<QPushButton*>(QStringLiteral("MoversBtn"))) {
        movers->click();
        if (auto* board = f.findChild<gui::TMoversForm*>(QStringLiteral("TMoversForm"))) {
            model.movers().selectWindow(3);
            model.movers().TimeEditChange(15 * 60 + 30);
            save(*board, out, "window_movers.png");
            // The quinella pool, its pairs that lost the most support first.
            model.movers().PoolSwitchClick(2);
            model.movers().DriftersBtnClick();
            save(*board, out, "window_movers_quinella.png");
            model.movers().PoolSwitchClick(0);
            board->close();
        }
    }

    // The alerts of the three share rules over every race of the day, as the watch's
    // writes raise them; then the rules dialog.
    {
        presentation::AlertSettings alerting;
        alerting.rules.resize(3);
        alerting.rules[1].kind = analytics::AlertKind::Fall;
        alerting.rules[2].kind = analytics::AlertKind::PlaceAgainstWin;
        alerting.sound = false;
        alerting.notify = false;
        presentation::writeAlertSettings(model.settings(), alerting);
        model.alerts().reloadRules();
        for (const analysis::RaceListEntry& e : model.panel().raceEntries())
            model.alerts().raceWritten(
                text::bytesAt(model.panel().dayTable().slots[static_cast<std::size_t>(e.slot)].raRecord, 12, 16));
        for (QAction* a : f.findChildren<QAction*>())
            if (a->objectName() == QStringLiteral("AlertsMenu"))
                a->trigger();
        if (auto* list = f.findChild<gui::TAlertListForm*>(QStringLiteral("TAlertListForm"))) {
            save(*list, out, "window_alerts.png");
            whenModal(out, "dialog_alerts.png");
            list->RulesBtn->click();
            list->close();
        } else {
            ++failures;
        }
    }

    for (int size : {48, 128, 256}) {
        const QString name = QStringLiteral("%1/tidemark2nv_%2.png").arg(out).arg(size);
        if (!gui::programPicture(size).save(name))
            ++failures;
    }
    if (!saveWindowsIcon(QStringLiteral("%1/tidemark2nv.ico").arg(out)))
        ++failures;
    f.close();
    return failures == 0 ? 0 : 1;
}
