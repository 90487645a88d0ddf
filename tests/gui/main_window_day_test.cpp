// The main window over a day imported from the simulated service: the whole way from the
// service to the painted grids.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QRegularExpression>

#include <algorithm>
#include <utility>
#include <vector>

#include <cstdlib>

#include "acquisition/batch_odds_import.h"
#include "acquisition/nv_channel.h"
#include "acquisition/stored_data_import.h"
#include "gui/main_form.h"
#include "gui/qt_host.h"
#include "gui_test_app.h"
#include "nvsim/sim_nv_link.h"
#include "presentation/main_window_model.h"
#include "records/pair_index.h"
#include "records/record_view.h"
#include "settings/settings_keys.h"
#include "store/record_store.h"
#include "store/store_layout.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark::gui {
namespace {

using tidemark::testing::RecordingHost;

// Imports the race cards and the odds of 12 January 2024 into the program folder.
void importDay(const std::filesystem::path& folder, RecordingHost& host, nvsim::SimNvLink& sim)
{
    IniFile ini(folder / "Tidemark2NV.ini");
    store::RecordStore store{store::StoreLayout(folder)};
    acquisition::NvChannel channel(sim);
    settings::writeLastTime(ini, "2024/01/11 00:00:00");
    {
        acquisition::StoredDataImport import(channel, host, store, ini);
        import.open();
        import.start();
        for (int i = 0; i < 100000 && import.phase() == acquisition::StoredDataImport::Phase::Downloading; ++i)
            host.fire(TimerId::TimerNVStatus);
        ASSERT_EQ(import.phase(), acquisition::StoredDataImport::Phase::Idle);
    }
    acquisition::BatchOddsImport batch(channel, host, store);
    batch.setDateList(store.layout().dayLabels());
    batch.showFor(text::sj("2024年01月12日"));
    batch.importDay();
}

// The simulated world of these tests: the one day 12 January 2024.
nvsim::SimConfig oneDayWorld()
{
    nvsim::SimConfig config;
    config.seed = 4242;
    config.firstDay = text::DateTime{2024, 1, 12};
    config.lastDay = text::DateTime{2024, 1, 12};
    config.downloadSpeed = 50;
    return config;
}

void save(QWidget& w, const char* name)
{
    if (const char* dir = std::getenv("TIDEMARK_SCREENSHOT_DIR")) {
        EXPECT_TRUE(w.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name)));
    }
}

// Each test's program folder holds the day imported from the service, which the window
// then uses as its own (three days after the races, so every result is in).
class MainWindowDay : public ::testing::Test {
protected:
    void SetUp() override
    {
        tidemark::testing::guiApp();
        host.clock = {2024, 1, 15, 12, 0, 0};
        ASSERT_EQ(sim.NVInit("SA418372/SD605291/TidemarkNV/Ver.1.15"), 0);
        importDay(dir.path(), host, sim);
    }

    tidemark::testing::TempDir dir;
    RecordingHost host;
    nvsim::SimNvLink sim{oneDayWorld(), [this] { return host.clock; }};
};

TEST_F(MainWindowDay, ADayFromTheServiceFillsTheListsAndTheRaceCard)
{
    MainWindowModel model(host, sim, dir.path());
    model.create();
    QtHost qtHost;
    TMainForm f(model, qtHost);
    f.resize(1180, 760);
    f.show();
    ASSERT_EQ(f.DateCombo->count(), 1);
    EXPECT_EQ(f.DateCombo->itemText(0), QString::fromUtf8("2024年01月12日"));

    model.panel().DateComboChange(0);
    ASSERT_GT(f.DatList->count(), 0);
    EXPECT_EQ(f.DatList->currentRow(), 0);
    ASSERT_GT(f.TimeCombo->count(), 0);
    EXPECT_EQ(f.TimeCombo->currentRow(), f.TimeCombo->count() - 1); // the latest snapshot

    const analysis::RaceSlot* slot = model.panel().currentSlot();
    ASSERT_NE(slot, nullptr);
    const int runners = slot->record.runnerCount;
    ASSERT_GT(runners, 0);
    const presentation::TextGrid& card = model.grids()[presentation::GridId::StringGrid2];
    EXPECT_EQ(card.rowCount(), runners + 1);
    EXPECT_FALSE(text::trim(card.cell(1, 1)).empty()); // a horse on the first row
    EXPECT_TRUE(host.boxes.empty() || host.boxes.size() == 2u); // the two imports' completion boxes at most
    save(f, "main_race_card.png");

    // The lists keep their items from race to race and moment to moment: what they show
    // is still exactly the model's lists and selections.
    const auto listShows = [](const QListWidget& list, const ListState& state) {
        if (list.count() != state.count() || list.currentRow() != state.itemIndex)
            return false;
        for (int i = 0; i < state.count(); ++i)
            if (list.item(i)->text() != QString::fromUtf8(text::toUtf8(state.items[static_cast<std::size_t>(i)])))
                return false;
        return list.selectedItems().size() == (state.itemIndex >= 0 ? 1 : 0);
    };
    ASSERT_GT(f.DatList->count(), 1);
    {
        model.panel().DatListClick(1);
        EXPECT_TRUE(listShows(*f.DatList, model.panel().DatList()));
        EXPECT_TRUE(listShows(*f.TimeCombo, model.panel().TimeCombo()));
        model.panel().TimeComboClick(0);
        EXPECT_TRUE(listShows(*f.TimeCombo, model.panel().TimeCombo()));
        model.panel().DatListClick(0);
        EXPECT_TRUE(listShows(*f.DatList, model.panel().DatList()));
        EXPECT_TRUE(listShows(*f.TimeCombo, model.panel().TimeCombo()));
        EXPECT_EQ(f.TimeCombo->currentRow(), f.TimeCombo->count() - 1);
    }

    // UpDown1 stands at the open race and opens the race it is stepped to; the three time
    // points carry their names beside the buttons and the time labels.
    auto* upDown = f.findChild<QSpinBox*>(QStringLiteral("UpDown1"));
    ASSERT_NE(upDown, nullptr);
    EXPECT_EQ(upDown->maximum(), f.DatList->count() - 1);
    EXPECT_EQ(upDown->value(), f.DatList->currentRow());
    upDown->stepUp();
    EXPECT_EQ(model.panel().DatList().itemIndex, 1);
    EXPECT_EQ(f.DatList->currentRow(), 1);
    model.panel().DatListClick(0);
    EXPECT_EQ(upDown->value(), 0);
    const char* const pointNames[3] = {"第１回", "第２回", "第３回"};
    const char* const labelNames[3] = {"１回目", "２回目", "３回目"};
    for (int i = 0; i < 3; ++i) {
        auto* point = f.findChild<QLabel*>(QStringLiteral("TimePointCaption%1").arg(i + 1));
        auto* nth = f.findChild<QLabel*>(QStringLiteral("TimeLabelCaption%1").arg(i + 1));
        ASSERT_NE(point, nullptr);
        ASSERT_NE(nth, nullptr);
        EXPECT_EQ(point->text(), QString::fromUtf8(pointNames[i]));
        EXPECT_EQ(nth->text(), QString::fromUtf8(labelNames[i]));
        EXPECT_TRUE(point->isVisible());
    }

    // A moment that cannot be analysed (many runners, no quinella odds) hides the race
    // card; the next race opened shows it again.
    {
        const std::filesystem::path odds = store::StoreLayout(dir.path()).oddsFolder("20240112");
        const std::filesystem::path away = dir / "quinella-away";
        std::filesystem::create_directories(away);
        for (const auto& e : std::filesystem::directory_iterator(odds))
            if (e.path().extension() == ".nvO2")
                std::filesystem::rename(e.path(), away / e.path().filename());
        int crowded = -1;
        for (int i = 0; i < f.DatList->count() && crowded < 0; ++i) {
            model.panel().DatListClick(i);
            if (model.panel().currentSlot()->record.runnerCount > 8)
                crowded = i;
        }
        ASSERT_GE(crowded, 0);
        auto* cardView = f.findChild<QWidget*>(QStringLiteral("StringGrid2"));
        ASSERT_NE(cardView, nullptr);
        f.PageControl1->setCurrentIndex(0);
        model.panel().TimeComboClick(0); // another moment of it: the analysis stops
        EXPECT_FALSE(model.grids()[presentation::GridId::StringGrid2].visible());
        EXPECT_FALSE(cardView->isVisible());
        for (const auto& e : std::filesystem::directory_iterator(away))
            std::filesystem::rename(e.path(), odds / e.path().filename());
        // The next race has no odds at all, so no analysis of its own shows the card.
        std::filesystem::rename(odds, dir / "odds-away");
        model.panel().DatListClick(crowded == 0 ? 1 : 0);
        EXPECT_TRUE(model.grids()[presentation::GridId::StringGrid2].visible());
        EXPECT_TRUE(cardView->isVisible());
        std::filesystem::rename(dir / "odds-away", odds);
        model.panel().DatListClick(0);
    }

    // The import window, opened and closed from the button bar: the page area is hidden,
    // the race list emptied and the day list built again.
    {
        ASSERT_TRUE(f.Panel1->isVisible());
        auto* jv = f.findChild<QPushButton*>(QStringLiteral("JVBtn"));
        ASSERT_NE(jv, nullptr);
        tidemark::testing::whenModal([](QDialog& d) { d.reject(); });
        jv->click();
        EXPECT_FALSE(f.Panel1->isVisible());
        EXPECT_EQ(f.DatList->count(), 0);
        EXPECT_EQ(f.DateCombo->count(), 1);
        model.panel().DateComboChange(0);
        model.panel().DatListClick(0);
        EXPECT_TRUE(f.Panel1->isVisible());
    }

    for (int page : {1, 2, 4, 5, 6, 10, 11, 12}) {
        f.PageControl1->setCurrentIndex(page);
        save(f, ("main_page_" + std::to_string(page) + ".png").c_str());
    }

    // The odds-browse pages fill their tab: the tree's own column holds their contents.
    f.PageControl1->setCurrentIndex(11);
    auto* browse = f.findChild<QTabWidget*>(QStringLiteral("PageControl13"));
    ASSERT_NE(browse, nullptr);
    for (int inner = 0; inner < browse->count(); ++inner) {
        browse->setCurrentIndex(inner);
        QApplication::processEvents();
        QWidget* page = browse->widget(inner);
        QWidget* contents = inner < 2 ? static_cast<QWidget*>(page->findChild<QScrollArea*>())
                                      : page->findChild<QListWidget*>(QStringLiteral("TanList4"));
        ASSERT_NE(contents, nullptr) << inner;
        EXPECT_GT(contents->height(), page->height() / 2) << inner;
        EXPECT_GT(contents->width(), inner < 2 ? page->width() / 2 : 40) << inner;
    }
    f.close();
}

TEST_F(MainWindowDay, EveryPageTabIsReachableAndEveryPageFitsTheWindowAtItsFirstSize)
{
    MainWindowModel model(host, sim, dir.path());
    model.create();
    QtHost qtHost;
    TMainForm f(model, qtHost); // the size of a fresh start, 780 × 560
    f.show();
    model.panel().DateComboChange(0);
    ASSERT_NE(model.panel().currentSlot(), nullptr);
    QApplication::processEvents();
    EXPECT_LE(f.width(), 780); // no page widens the window
    EXPECT_LE(f.height(), 560);
    const int right = f.PageControl1->mapTo(&f, QPoint(f.PageControl1->width(), 0)).x();
    EXPECT_LE(right, f.width());

    QTabBar* bar = f.PageControl1->tabBar();
    ASSERT_EQ(bar->count(), 13); // TabSheet1 has no tab
    auto shown = [bar](int i) { return bar->rect().intersects(bar->tabRect(i)); };
    // Each tab in turn, as the user clicks through them: the one clicked and its
    // neighbours stay on the bar, the rest are a scroll away.
    for (int i = 1; i < bar->count(); ++i) {
        const int before = bar->currentIndex();
        if (!shown(i))
            bar->setCurrentIndex(i); // the scroll arrows, in short
        else
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
        QApplication::processEvents();
        ASSERT_EQ(f.PageControl1->currentIndex(), i) << "from " << before;
        EXPECT_TRUE(shown(i - 1) && shown(i)) << i;
        EXPECT_GE(bar->tabRect(i).left(), 0) << i;
        QWidget* page = f.PageControl1->currentWidget();
        EXPECT_LE(page->mapTo(&f, QPoint(page->width(), 0)).x(), f.width()) << i;
    }
    // Back at the start, the first tabs are all there again.
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(bar->count() - 2).center());
    f.PageControl1->setCurrentIndex(0);
    QApplication::processEvents();
    EXPECT_EQ(bar->tabRect(0).left(), 0);
    EXPECT_TRUE(shown(1) && shown(2) && shown(3));
    EXPECT_NE(f.page(QStringLiteral("TabSheet1")), nullptr);
}

// The window's own host draws what the model draws on its surface: a race without odds
// says so over the empty list of moments until another race opens.
TEST_F(MainWindowDay, ARaceWithoutOddsSaysSoOnTheWindowUntilTheNextRace)
{
    QtHost qtHost;
    MainWindowModel model(qtHost, sim, dir.path());
    model.create();
    TMainForm f(model, qtHost);
    f.resize(1180, 760);
    f.show();
    auto* notice = f.findChild<QLabel*>(QStringLiteral("TransientText"));
    ASSERT_NE(notice, nullptr);

    model.panel().DateComboChange(0);
    ASSERT_GT(f.DatList->count(), 1);
    EXPECT_FALSE(notice->isVisible()); // the first race has odds

    // The odds of the day taken away: the next race opened has none.
    const std::filesystem::path odds = store::StoreLayout(dir.path()).oddsFolder("20240112");
    const std::filesystem::path away = dir / "odds-away";
    std::filesystem::rename(odds, away);
    model.panel().DatListClick(1);
    ASSERT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), QString::fromUtf8("当レースはオッズが未取得です。"));
    // Over the empty list of moments, where it hides neither a runner nor a control.
    const QRect at(notice->mapTo(&f, QPoint(0, 0)), notice->size());
    EXPECT_EQ(f.TimeCombo->count(), 0);
    EXPECT_TRUE(QRect(f.TimeCombo->mapTo(&f, QPoint(0, 0)), f.TimeCombo->size()).contains(at)) << at.x() << "," << at.y();
    QWidget* card = f.page(QStringLiteral("TabSheet2"));
    EXPECT_FALSE(QRect(card->mapTo(&f, QPoint(0, 0)), card->size()).intersects(at));
    EXPECT_GE(notice->height(), notice->fontMetrics().height()); // the whole text, wrapped
    save(f, "main_no_odds.png");

    std::filesystem::rename(away, odds);
    model.panel().DatListClick(0);
    EXPECT_FALSE(notice->isVisible());

    // Loading the day again takes it away too.
    std::filesystem::rename(odds, away);
    model.panel().DatListClick(1);
    EXPECT_TRUE(notice->isVisible());
    std::filesystem::rename(away, odds);
    model.panel().DateComboChange(0);
    EXPECT_FALSE(notice->isVisible());
    f.close();
}

// The odds-browse pages as the user sees them: the captions over the horse lines, the
// bracket-quinella labels grouped by first bracket, the quinella labels in one block per
// first horse, and horses 17 and 18 filled but never shown.
TEST_F(MainWindowDay, TheOddsBrowsePagesGroupTheirLabelsAndShowHorsesOneToSixteen)
{
    MainWindowModel model(host, sim, dir.path());
    model.create();
    QtHost qtHost;
    TMainForm f(model, qtHost);
    f.resize(1180, 760);
    f.show();
    model.panel().DateComboChange(0);
    const analysis::RaceSlot* slot = model.panel().currentSlot();
    ASSERT_NE(slot, nullptr);
    const int runners = slot->record.runnerCount;
    ASSERT_GT(runners, 1);

    auto* pages = f.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    auto* browse = f.findChild<QTabWidget*>(QStringLiteral("PageControl13"));
    auto* winPage = f.findChild<QWidget*>(QStringLiteral("TabSheet40"));
    auto* quinellaPage = f.findChild<QWidget*>(QStringLiteral("TabSheet41"));
    ASSERT_TRUE(pages && browse && winPage && quinellaPage);
    pages->setCurrentIndex(11); // TabSheet39
    browse->setCurrentWidget(winPage);
    QApplication::processEvents();

    // The captions over the horse lines, in their order from the left.
    std::vector<std::pair<int, QString>> heads;
    for (QLabel* l : winPage->findChildren<QLabel*>())
        if (l->isVisible() && !l->text().isEmpty() && l->styleSheet().contains(QStringLiteral("background")))
            heads.emplace_back(l->mapTo(winPage, QPoint(0, 0)).x() * 1000 + l->mapTo(winPage, QPoint(0, 0)).y(),
                               l->text());
    std::sort(heads.begin(), heads.end());
    QStringList captions;
    for (const auto& h : heads)
        captions << h.second;
    EXPECT_EQ(captions, (QStringList{QString::fromUtf8("単勝"), QString::fromUtf8("複勝"), QString::fromUtf8("最低"),
                                     QString::fromUtf8("最高"), QString::fromUtf8("枠連")}));
    auto labelAt = [](QWidget* page, const QString& name) {
        auto* l = page->findChild<QLabel*>(name);
        EXPECT_NE(l, nullptr) << name.toStdString();
        return l;
    };
    const auto x = [winPage](QWidget* w) { return w->mapTo(winPage, QPoint(0, 0)).x(); };
    const auto y = [winPage](QWidget* w) { return w->mapTo(winPage, QPoint(0, 0)).y(); };
    QLabel* place = nullptr;
    for (QLabel* l : winPage->findChildren<QLabel*>())
        if (l->text() == QString::fromUtf8("複勝"))
            place = l;
    ASSERT_NE(place, nullptr);
    // "複勝" stands over both of its columns, "最低" and "最高" under it.
    QLabel* low1 = labelAt(winPage, QStringLiteral("BrowsePlaceLow1"));
    QLabel* high1 = labelAt(winPage, QStringLiteral("BrowsePlaceHigh1"));
    ASSERT_TRUE(low1 && high1);
    EXPECT_LE(x(place), x(low1));
    EXPECT_GE(x(place) + place->width(), x(high1) + high1->width());

    // Horses 1-16 show, 17 and 18 exist but are hidden; every label holds the model's text.
    const presentation::OddsBrowseLabels& b = model.momentView().browse;
    for (int h = 1; h <= 18; ++h) {
        for (const char* column : {"BrowseHorse", "BrowseWin", "BrowsePlaceLow", "BrowsePlaceHigh"}) {
            QLabel* l = labelAt(winPage, QString::fromLatin1(column) + QString::number(h));
            ASSERT_NE(l, nullptr);
            EXPECT_EQ(l->isVisible(), h <= 16) << column << h;
        }
        const auto i = static_cast<std::size_t>(h);
        EXPECT_EQ(labelAt(winPage, QStringLiteral("BrowseWin%1").arg(h))->text(), qs(b.win[i]));
        EXPECT_EQ(labelAt(winPage, QStringLiteral("BrowsePlaceLow%1").arg(h))->text(), qs(b.placeLow[i]));
        EXPECT_EQ(labelAt(winPage, QStringLiteral("BrowsePlaceHigh%1").arg(h))->text(), qs(b.placeHigh[i]));
    }
    EXPECT_EQ(labelAt(winPage, QStringLiteral("BrowseHorse7"))->text(), QStringLiteral(" 7"));
    EXPECT_FALSE(labelAt(winPage, QStringLiteral("BrowseWin1"))->text().isEmpty());
    // The lines run down in horse order, the win column left of the place columns.
    EXPECT_LT(y(labelAt(winPage, QStringLiteral("BrowseWin1"))), y(labelAt(winPage, QStringLiteral("BrowseWin2"))));
    EXPECT_LT(x(labelAt(winPage, QStringLiteral("BrowseWin1"))), x(low1));
    EXPECT_LT(x(low1), x(high1));

    // 枠連: one group per first bracket, holding 1-1 … 1-8, 2-2 … 2-8, …, 8-8.
    int bracketPairs = 0;
    for (int first = 1; first <= 8; ++first) {
        auto* group = winPage->findChild<QWidget*>(QStringLiteral("BracketGroup%1").arg(first));
        ASSERT_NE(group, nullptr) << first;
        EXPECT_TRUE(group->isVisible());
        QStringList pairsInGroup;
        for (int second = first; second <= 8; ++second) {
            const int k = records::bracketPairIndex(first, second);
            QLabel* pair = group->findChild<QLabel*>(QStringLiteral("BrowseBracketPair%1").arg(k));
            QLabel* odds = group->findChild<QLabel*>(QStringLiteral("BrowseBracket%1").arg(k));
            ASSERT_TRUE(pair && odds) << k;
            EXPECT_EQ(pair->text(), qs(records::bracketPairLabel(k)));
            EXPECT_EQ(odds->text(), qs(b.bracket[static_cast<std::size_t>(k)]));
            EXPECT_TRUE(odds->isVisible());
            pairsInGroup << pair->text();
            ++bracketPairs;
        }
        EXPECT_EQ(group->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^BrowseBracketPair"))).size(),
                  9 - first);
        if (first > 1) {
            auto* before = winPage->findChild<QWidget*>(QStringLiteral("BracketGroup%1").arg(first - 1));
            // In bracket order, read as lines are: left to right, then down.
            EXPECT_TRUE(y(before) < y(group) || (y(before) == y(group) && x(before) < x(group))) << first;
        }
    }
    EXPECT_EQ(bracketPairs, 36);
    EXPECT_EQ(labelAt(winPage, QStringLiteral("BrowseBracketPair1"))->text(), QStringLiteral(" 1- 1"));
    EXPECT_EQ(labelAt(winPage, QStringLiteral("BrowseBracketPair9"))->text(), QStringLiteral(" 2- 2"));
    save(f, "main_odds_browse_win.png");

    // 馬連: one block per first horse 1-17, listing its second horses.
    browse->setCurrentWidget(quinellaPage);
    QApplication::processEvents();
    int quinellaPairs = 0;
    for (int first = 1; first <= 17; ++first) {
        auto* block = quinellaPage->findChild<QWidget*>(QStringLiteral("QuinellaBlock%1").arg(first));
        ASSERT_NE(block, nullptr) << first;
        EXPECT_EQ(block->isVisible(), first <= 15) << first; // 16's partners are 17 and 18 only
        for (int second = first + 1; second <= 18; ++second) {
            const int k = records::quinellaPairIndex(first, second);
            QLabel* horse = block->findChild<QLabel*>(QStringLiteral("BrowseSecondHorse%1").arg(k));
            QLabel* odds = block->findChild<QLabel*>(QStringLiteral("BrowseQuinella%1").arg(k));
            ASSERT_TRUE(horse && odds) << k;
            EXPECT_EQ(horse->text(), qs(text::formatInt(second, 2)));
            EXPECT_EQ(odds->text(), qs(b.quinella[static_cast<std::size_t>(k)]));
            EXPECT_EQ(odds->isVisibleTo(block), second <= 16) << first << "-" << second;
            EXPECT_EQ(horse->isVisibleTo(block), second <= 16) << first << "-" << second;
            ++quinellaPairs;
        }
    }
    EXPECT_EQ(quinellaPairs, 153);
    EXPECT_FALSE(labelAt(quinellaPage, QStringLiteral("BrowseQuinella1"))->text().isEmpty()); // 1-2 has odds
    save(f, "main_odds_browse_quinella.png");
    f.close();
}

// "結果情報" with an earlier moment selected: the results fetched are shown at that same
// moment, the finishing positions included, without opening the race again.
TEST_F(MainWindowDay, AResultsFetchShowsTheFinishAtTheSelectedMoment)
{
    // The runners as they stood before the races were run: no finishing positions
    // (the two digits at 335 of every runner record).
    int runnersBefore = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir / "Data")) {
        if (e.path().extension() != ".nvSEr")
            continue;
        std::string file = text::readFile(e.path());
        for (std::size_t at = 0; at + records::kSeRecordLength <= file.size(); at += records::kSeRecordLength)
            if (records::SeView(std::string_view(file).substr(at, records::kSeRecordLength)).finishPosition() != 0) {
                file.replace(at + 334, 2, "00");
                ++runnersBefore;
            }
        text::writeFileAtomic(e.path(), file);
    }
    ASSERT_GT(runnersBefore, 0);

    QtHost qtHost;
    MainWindowModel model(qtHost, sim, dir.path());
    model.create();
    TMainForm f(model, qtHost);
    f.resize(1180, 760);
    f.show();
    model.panel().DateComboChange(0);
    ASSERT_GT(f.TimeCombo->count(), 1);
    model.panel().TimeComboClick(0);
    const presentation::TextGrid& card = model.grids()[presentation::GridId::StringGrid2];
    const auto finishes = [&card] {
        int shown = 0;
        for (int row = 1; row < card.rowCount(); ++row)
            shown += card.cell(row, 17) == text::sj("　") ? 0 : 1; // a full-width blank when none
        return shown;
    };
    ASSERT_EQ(finishes(), 0);

    auto* results = f.findChild<QPushButton*>(QStringLiteral("KekkaGetBtn"));
    ASSERT_NE(results, nullptr);
    results->click(); // a fetch that succeeds ends without a box
    EXPECT_EQ(model.panel().TimeCombo().itemIndex, 0);
    EXPECT_EQ(f.TimeCombo->currentRow(), 0);
    EXPECT_GT(finishes(), 0);
    EXPECT_EQ(card.rowCount(), model.panel().currentSlot()->record.runnerCount + 1);
    f.close();
}

} // namespace
} // namespace tidemark::gui
