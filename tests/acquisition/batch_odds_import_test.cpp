#include "acquisition/batch_odds_import.h"

#include "acquisition/acquisition_fixture.h"
#include "service/nv_message.h"

namespace tidemark::testing {
namespace {

using acquisition::BatchOddsImport;
using store::StoreKind;

class BatchOddsImportTest : public AcquisitionTest {
protected:
    BatchOddsImportTest() : import(channel, host, store)
    {
        import.setRaceListCount([] { return 12; });
    }

    // Stores race cards of races 1..count at `track` on the given day.
    void storeDay(int count, std::string_view track = "44", int y = 2024, int m = 1, int d = 15)
    {
        for (int r = 1; r <= count; ++r)
            store.storeRa(ra(r, track, y, m, d).build(), store::Origin::Import);
    }
    static std::string keyOf(int race, std::string_view track, int y, int m, int d)
    {
        return std::string(text::bytesAt(ra(race, track, y, m, d).line(), 12, 16));
    }

    BatchOddsImport import;
};

TEST_F(BatchOddsImportTest, SingleDayAsksTwiceForEveryRaceAndWritesItsOddsFiles)
{
    storeDay(30);
    host.clock = {2024, 1, 20, 12, 0, 0};
    import.setDateList({label("2024年01月16日"), label(), label("2024年01月14日")});
    // 2024/01/16 is not after today (the 20th): it is selected first.
    EXPECT_EQ(import.selectedIndex(), 0);
    import.selectDay(1);
    EXPECT_EQ(import.dayTable()[29].substr(0, 2), "RA");
    EXPECT_EQ(import.dayTable()[30], std::string(1272, ' '));

    link.script("0B41", key(1), {0, {FakeNvLink::rec(o1(1, 10, 5).build()), FakeNvLink::rec(o1(1, 9, 55).build())}});
    link.script("0B42", key(1), {0, {FakeNvLink::rec(o2(1, 10, 5).build())}});
    std::vector<std::string> labels;
    import.setOnChange([&] { labels.push_back(import.progressLabel()); });
    import.importDay();

    EXPECT_EQ(link.count("NVRTOpen"), 60);
    EXPECT_EQ(link.count("NVClose"), 60);
    EXPECT_EQ(link.protocolFaults, 0);
    EXPECT_EQ(link.calls.at(0), "NVRTOpen 0B41 " + key(1));
    EXPECT_NE(std::find(labels.begin(), labels.end(), sj("単複枠データ読込み中:大井 1R")), labels.end());
    EXPECT_NE(std::find(labels.begin(), labels.end(), sj("馬連　データ読込み中:大井30R")), labels.end());

    const auto o1Lines = lines(oddsFile(StoreKind::O1, 1), StoreKind::O1);
    ASSERT_EQ(o1Lines.size(), 2u);
    EXPECT_EQ(o1Lines[0].substr(27, 8), "01150955"); // sorted by announcement
    EXPECT_EQ(o1Lines[0][2], '0');
    EXPECT_EQ(lines(oddsFile(StoreKind::O2, 1), StoreKind::O2).size(), 1u);
    // Races that returned nothing keep no file.
    EXPECT_FALSE(std::filesystem::exists(oddsFile(StoreKind::O1, 2)));

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              sj("2024年01月15日のデータ作成が完了しました。\r\n対象R:30R/エラー発生Rはありませんでした。"));
    EXPECT_EQ(import.progressBar(), (acquisition::ProgressBar{100, 100}));
    EXPECT_FALSE(host.busyCursor);
    EXPECT_FALSE(channel.busy());
    EXPECT_FALSE(import.quietErrors());
}

TEST_F(BatchOddsImportTest, EmptySlotsAndUnusableRecordsMakeNoRequestsAndNoFiles)
{
    storeDay(2);
    import.setDateList({label()});
    const std::string before = o1(1, 9, 0).line();
    store.storeOdds(StoreKind::O1, std::vector<std::string>{o1(1, 9, 0).build()});
    // Race 1: only a cancelled-race record and a record of data kind 0.
    link.script("0B41", key(1), {0, {FakeNvLink::rec(o1(1, 10, 0).dataKind('9').build()),
                                     FakeNvLink::rec(o1(1, 10, 5).dataKind('0').build()),
                                     FakeNvLink::rec(o2(1, 10, 5).build())}});
    import.importDay();
    EXPECT_EQ(link.count("NVRTOpen"), 4);
    const auto o1Lines = lines(oddsFile(StoreKind::O1, 1), StoreKind::O1);
    ASSERT_EQ(o1Lines.size(), 1u);
    EXPECT_EQ(o1Lines[0].substr(27, 8), "01150900");
    EXPECT_EQ(import.racesWithError(), 0);
    EXPECT_EQ(import.racesTried(), 2);
}

TEST_F(BatchOddsImportTest, ServiceErrorsAreCountedAndTheImportGoesOn)
{
    storeDay(3);
    import.setDateList({label()});
    store.storeOdds(StoreKind::O1, std::vector<std::string>{o1(1, 9, 0).build()});
    link.script("0B41", key(1), {-411, {}});
    link.script("0B42", key(2), {0, {FakeNvLink::rec(o2(2, 10, 0).build()), FakeNvLink::code(-403)}});
    link.script("0B41", key(3), {0, {FakeNvLink::rec(o1(3, 10, 0).build())}});
    import.importDay();

    EXPECT_EQ(link.count("NVRTOpen"), 6);
    EXPECT_EQ(link.count("NVClose"), 6);
    // A failed request keeps the race's earlier file; a broken read writes no part of it.
    EXPECT_EQ(lines(oddsFile(StoreKind::O1, 1), StoreKind::O1).size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(oddsFile(StoreKind::O2, 2)));
    EXPECT_EQ(lines(oddsFile(StoreKind::O1, 3), StoreKind::O1).size(), 1u);
    // Only the last error stays visible.
    EXPECT_EQ(import.errorLabel(), sj("NVReadエラー:") + nvMessage(NvOperation::NVRead, -403));
    EXPECT_EQ(host.boxes.back().text,
              sj("2024年01月15日のデータ作成が完了しました。\r\n対象R:3R/【注意】確認してください。⇒エラー発生R:2R"));
}

TEST_F(BatchOddsImportTest, OpenErrorNamesTheRace)
{
    storeDay(1, "42");
    import.setDateList({label()});
    link.script("0B42", keyOf(1, "42", 2024, 1, 15), {-504, {}});
    import.importDay();
    EXPECT_EQ(import.errorLabel(), sj("NVRTOpenエラー:[浦和 1R]") + nvMessage(NvOperation::NVRTOpen, -504));
}

TEST_F(BatchOddsImportTest, CloseErrorIsShownAndCounted)
{
    storeDay(1);
    import.setDateList({label()});
    link.closeResults = {0, -1};
    import.importDay();
    EXPECT_EQ(import.errorLabel(), sj("NVCloseエラー:") + nvMessage(NvOperation::NVClose, -1));
    EXPECT_EQ(import.racesWithError(), 1);
}

TEST_F(BatchOddsImportTest, CancelMidReadKeepsTheStoredSeriesAndSaysSo)
{
    storeDay(3);
    import.setDateList({label()});
    store.storeOdds(StoreKind::O1, std::vector<std::string>{o1(1, 9, 0).build(), o1(1, 9, 30).build()});
    link.script("0B41", key(1), {0, {FakeNvLink::rec(o1(1, 10, 0).build()), FakeNvLink::rec(o1(1, 10, 5).build())}});
    link.onCall = [&](const std::string& call) {
        if (call == "NVRead" && link.count("NVRead") == 2)
            import.cancel();
    };
    import.importDay();
    EXPECT_EQ(lines(oddsFile(StoreKind::O1, 1), StoreKind::O1).size(), 2u) << "a part of a series replaced all of it";
    EXPECT_EQ(link.count("NVRTOpen 0B41"), 1); // the slot loop stopped
    EXPECT_FALSE(link.open);
    EXPECT_EQ(import.progressLabel(), sj("NVCancel:キャンセルされました"));
    EXPECT_EQ(host.boxes.back().text,
              sj("2024年01月15日のデータ作成がキャンセルされしました。データが不完全でないか確認をお奨めします。"));
}

TEST_F(BatchOddsImportTest, MonthImportRunsEveryDayOfTheMonthQuietly)
{
    storeDay(2, "44", 2024, 2, 1);
    storeDay(1, "44", 2024, 1, 16);
    storeDay(2, "44", 2024, 1, 15);
    storeDay(1, "44", 2023, 12, 31);
    host.clock = {2024, 1, 31, 12, 0, 0};
    import.setDateList({label("2024年02月01日"), label("2024年01月16日"), label(), label("2023年12月31日")});
    ASSERT_EQ(import.selectedIndex(), 1);
    // The 15th's races have odds; the 16th's none yet: only whole days count.
    for (int race = 1; race <= 2; ++race) {
        link.script("0B41", key(race), {0, {FakeNvLink::rec(o1(race, 10, 0).build())}});
        link.script("0B42", key(race), {0, {FakeNvLink::rec(o2(race, 10, 0).build())}});
    }

    import.importPeriod(BatchOddsImport::Period::Month);
    EXPECT_EQ(host.boxes.at(0).text,
              sj("2024年01月のオッズデータ取込（全日分）を開始します。これには相応の時間がかかります。開始してよろしいですか？"));
    EXPECT_EQ(link.count("NVRTOpen"), 6);
    EXPECT_EQ(link.count("NVRTOpen 0B41 20240201"), 0);
    EXPECT_EQ(link.count("NVRTOpen 0B41 20231231"), 0);
    ASSERT_EQ(host.boxes.size(), 2u); // no per-day box inside the month
    EXPECT_EQ(host.boxes[1].text,
              sj("1日分のオッズを取り込みました。") + "\r\n" + sj("【注意】オッズが揃わなかった日:1日"));
    EXPECT_FALSE(import.batchRunning());
    EXPECT_EQ(import.selectedLabel(), label()); // the last day imported stays selected
}

TEST_F(BatchOddsImportTest, YearImportTouchesOnlyTheSelectedYear)
{
    storeDay(1, "44", 2024, 1, 15);
    storeDay(1, "44", 2023, 12, 31);
    storeDay(1, "44", 2023, 1, 2);
    import.setDateList({label(), label("2023年12月31日"), label("2023年01月02日")});
    import.selectDay(1);
    host.confirmAnswers = {false};
    import.importPeriod(BatchOddsImport::Period::Year);
    EXPECT_TRUE(link.calls.empty()); // No: nothing starts
    import.importPeriod(BatchOddsImport::Period::Year);
    EXPECT_EQ(host.boxes.at(1).text,
              sj("2023年のオッズデータ取込（全日分）を開始します。これには相応の時間がかかります。開始してよろしいですか？"));
    EXPECT_EQ(link.count("NVRTOpen"), 4);
    EXPECT_EQ(link.count("NVRTOpen 0B41 2024"), 0);
    // The service had no odds for either day.
    EXPECT_EQ(host.boxes.back().text,
              sj("0日分のオッズを取り込みました。") + "\r\n" + sj("【注意】オッズが揃わなかった日:2日"));
}

TEST_F(BatchOddsImportTest, CancelDuringAMonthStopsTheDayLoop)
{
    storeDay(2, "44", 2024, 1, 16);
    storeDay(2, "44", 2024, 1, 15);
    import.setDateList({label("2024年01月16日"), label()});
    link.onCall = [&](const std::string& call) {
        if (call.rfind("NVRTOpen 0B42", 0) == 0 && link.count("NVRTOpen") == 2)
            import.cancel();
    };
    std::vector<bool> heldAtBox;
    host.onBox = [&](const RecordingHost::Box&) { heldAtBox.push_back(channel.held()); };
    import.importPeriod(BatchOddsImport::Period::Month);
    // 0B42 of the first race was already under way and runs; nothing after it.
    EXPECT_EQ(link.count("NVRTOpen"), 2);
    EXPECT_FALSE(link.open);
    std::vector<std::string> expected = {
        sj("2024年01月のオッズデータ取込（全日分）を開始します。これには相応の時間がかかります。開始してよろしいですか？"),
        sj("データ取込を中止します。実行しますか？"), sj("NVCancel:キャンセルされました"),
        sj("オッズデータ取込を中止しました。") + "\r\n" + sj("0日分のオッズを取り込みました。") + "\r\n" +
            sj("【注意】2024年01月16日のデータは不完全です。")};
    EXPECT_EQ(host.boxTexts(), expected);
    // The boxes that tell came after the service was given back.
    EXPECT_EQ(heldAtBox, (std::vector<bool>{false, false}));
}

TEST_F(BatchOddsImportTest, DayWithoutItsFileKeepsThePreviousTable)
{
    storeDay(4);
    import.setDateList({label("2024年01月16日"), label()});
    import.selectDay(1);
    ASSERT_EQ(import.dayTable()[3].substr(0, 2), "RA");
    import.selectDay(0); // no day file
    EXPECT_EQ(import.dayTable()[3].substr(0, 2), "RA");
    import.showFor(label());
    EXPECT_EQ(import.selectedIndex(), 1);
}

TEST_F(BatchOddsImportTest, FutureDaysOnlyLeaveNothingSelected)
{
    host.clock = {2024, 1, 10, 0, 0, 0};
    import.setDateList({label("2024年01月16日"), label()});
    EXPECT_EQ(import.selectedIndex(), 2);
    import.importDay();
    import.importPeriod(BatchOddsImport::Period::Month);
    EXPECT_TRUE(link.calls.empty());
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(BatchOddsImportTest, RefusedWhileAnotherAcquisitionHoldsTheService)
{
    storeDay(1);
    import.setDateList({label()});
    ASSERT_TRUE(channel.tryClaim());
    import.importDay();
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(host.boxes.back().text, acquisition::busyRefusalText());
}

} // namespace
} // namespace tidemark::testing
