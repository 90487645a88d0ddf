#include "acquisition/stored_data_import.h"

#include "acquisition/acquisition_fixture.h"
#include "service/nv_message.h"
#include "settings/settings_keys.h"

namespace tidemark::testing {
namespace {

using acquisition::StoredDataImport;
using Phase = StoredDataImport::Phase;
using store::StoreKind;

class StoredDataImportTest : public AcquisitionTest {
protected:
    StoredDataImportTest() : import(channel, host, store, settings)
    {
        import.setOnChange([this] { progress.push_back(import.progressLabel()); });
    }

    // An import from 2024/01/15 00:00:00 (the stored LastTime).
    void openAt(std::string_view lastTime = "2024/01/15 00:00:00")
    {
        settings::writeLastTime(settings, lastTime);
        import.open();
    }
    bool saw(std::string_view utf8) const
    {
        const std::string t = sj(utf8);
        for (const auto& p : progress)
            if (p == t)
                return true;
        return false;
    }

    StoredDataImport import;
    std::vector<std::string> progress;
};

TEST_F(StoredDataImportTest, ImportDownloadsThenFilesEveryRecordIntoTheDayFiles)
{
    openAt("2024/01/15 18:30:00");
    EXPECT_EQ(import.getDateLabel(), sj("2024年01月15日"));
    link.readCount = 3;
    link.downloadCount = 2;
    link.timeStamp = "20240116093000";
    link.statuses = {0, 1, 2};
    link.gets = {FakeNvLink::rec(ra(2).build()),  FakeNvLink::rec(se(2, 3).build()), FakeNvLink::code(-1),
                 FakeNvLink::rec(ra(1).build()),  FakeNvLink::rec(hr(1).build()),    FakeNvLink::code(-1),
                 FakeNvLink::rec(ra(1, "42").build()), FakeNvLink::code(-1)};

    import.start();
    ASSERT_EQ(link.calls.at(0), "NVOpen RACE 20240115183000 1");
    EXPECT_EQ(host.boxes.at(0).text,
              sj("2024年01月15日18時30分00秒以降のデータ取込を開始します。データ作成が終了するまで本ソフトを操作したり他のアプリケーションを操作することは極力避けてください。"));
    EXPECT_EQ(import.phase(), Phase::Downloading);
    EXPECT_EQ(import.progressLabel(), sj("ダウンロード中・・・"));
    EXPECT_TRUE(saw("ReadCount:3, DownloadCount:2"));
    EXPECT_EQ(host.timers.intervalMs(TimerId::TimerNVStatus), 10);
    EXPECT_TRUE(host.busyCursor);

    ASSERT_TRUE(host.fire(TimerId::TimerNVStatus));
    EXPECT_EQ(import.progressLabel(), sj("ダウンロード中．．．(0/2)"));
    ASSERT_TRUE(host.fire(TimerId::TimerNVStatus));
    EXPECT_EQ(import.downloadBar(), (acquisition::ProgressBar{2, 1}));
    ASSERT_TRUE(host.fire(TimerId::TimerNVStatus)); // all fetched: reads to the end
    EXPECT_FALSE(host.timerRunning(TimerId::TimerNVStatus));

    EXPECT_TRUE(saw("ダウンロード中．．．(2/2)"));
    EXPECT_TRUE(saw("データ読込み中．．．(0/3)"));
    EXPECT_TRUE(saw("データ読込み中．．．(2/3)"));
    EXPECT_TRUE(saw("データ読込み完了(3/3)"));
    EXPECT_EQ(import.progressLabel(), sj("データ作成が完了しました。"));
    EXPECT_EQ(import.phase(), Phase::Idle);
    EXPECT_FALSE(host.busyCursor);
    EXPECT_FALSE(channel.busy());
    EXPECT_EQ(link.closes, 1);
    EXPECT_EQ(link.protocolFaults, 0);
    EXPECT_FALSE(link.open);

    // Race cards sorted by race key with bytes 3–11 zeroed; both tracks in one day file.
    const auto raLines = lines(raFile(), StoreKind::RA);
    ASSERT_EQ(raLines.size(), 3u);
    EXPECT_EQ(raLines[0].substr(0, 27), "RA0000000002024011542010101");
    EXPECT_EQ(raLines[1].substr(0, 27), "RA0000000002024011544010101");
    EXPECT_EQ(raLines[2].substr(0, 27), "RA0000000002024011544010102");
    const auto seLines = lines(seFile(), StoreKind::SE);
    ASSERT_EQ(seLines.size(), 216u);
    // Slot (race - 1) * 18 + (horse - 1).
    EXPECT_EQ(seLines[20], se(2, 3).line());
    EXPECT_EQ(seLines[21], std::string(553, ' '));
    const auto hrLines = lines(hrFile(), StoreKind::HR);
    ASSERT_EQ(hrLines.size(), 1u);
    EXPECT_EQ(hrLines[0].substr(2, 9), "000000000");

    // The newest time stamp becomes the next start.
    EXPECT_EQ(settings.readString("NvDataGet", "LastTime", ""), "2024/01/16 09:30:00");
    EXPECT_EQ(import.getDateLabel(), sj("2024年01月16日"));
    EXPECT_EQ(import.picker(), (text::DateTime{2024, 1, 16, 9, 30, 0}));
    EXPECT_TRUE(host.boxes.size() == 1) << "no box after a clean import";
    EXPECT_EQ(host.beeps, 1); // the end-of-import signal
}

TEST_F(StoredDataImportTest, LabelsNameTheRecordJustStored)
{
    openAt();
    link.readCount = 1;
    link.gets = {FakeNvLink::rec(ra(1).build())};
    std::vector<std::string> made;
    import.setOnChange([&] { made.push_back(import.mkDataLabel()); });
    link.gets = {FakeNvLink::rec(ra(1).build()), FakeNvLink::rec(se(1, 7).build()), FakeNvLink::rec(hr(1).build()),
                 FakeNvLink::code(-1)};
    import.start();
    auto has = [&](std::string_view utf8) { return std::find(made.begin(), made.end(), sj(utf8)) != made.end(); };
    EXPECT_TRUE(has("開催:2024年01月15日大井01R"));
    // The horse name is cut to its first 18 bytes.
    EXPECT_TRUE(has("馬毎:大井01R/⑦テストホース      "));
    EXPECT_TRUE(has("払戻:2024年01月15日大井01R"));
    EXPECT_EQ(import.mkDataLabel(), ""); // a new file clears it
}

TEST_F(StoredDataImportTest, RecordsOutsideTheFiltersAreSkipped)
{
    openAt("2024/01/15 00:00:00");
    link.readCount = 1;
    link.gets = {
        FakeNvLink::rec(ra(1).runners(0).build()),
        FakeNvLink::rec(ra(2).runners(19).build()),
        FakeNvLink::rec(ra(3).runners(18).build()),
        FakeNvLink::rec(se(1, 1).build()),  // its race card was refused; the runner still counts
        FakeNvLink::rec(se(1, 19).build()), // no horse 19
        FakeNvLink::rec(ra(0).build()),     // no race number
        FakeNvLink::rec(ra(4, "44", 2024, 1, 5).build()), // start minus 10 still in
        FakeNvLink::rec(ra(5, "44", 2024, 1, 4).build()), // one earlier: out
        FakeNvLink::rec(records::O1Builder().date(2024, 1, 15).track("44").race(1).build()), // not a stored kind
    };
    import.start();
    const auto raLines = lines(raFile(), StoreKind::RA);
    ASSERT_EQ(raLines.size(), 1u);
    EXPECT_EQ(raLines[0].substr(25, 2), "03");
    EXPECT_EQ(lines(raFile("2024年01月05日"), StoreKind::RA).size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(raFile("2024年01月04日")));
    const auto seLines = lines(seFile(), StoreKind::SE);
    ASSERT_EQ(seLines.size(), 216u);
    EXPECT_EQ(seLines[0], se(1, 1).line());
    EXPECT_EQ(import.progressLabel(), sj("データ作成が完了しました。"));
}

TEST_F(StoredDataImportTest, DateFilterIsADifferenceOfNumbersNotOfDays)
{
    openAt("2024/03/01 00:00:00");
    link.readCount = 1;
    link.gets = {FakeNvLink::rec(ra(1, "44", 2024, 2, 29).build()), FakeNvLink::rec(ra(1, "44", 2024, 3, 1).build())};
    import.start();
    EXPECT_FALSE(std::filesystem::exists(raFile("2024年02月29日")));
    EXPECT_TRUE(std::filesystem::exists(raFile("2024年03月01日")));
}

TEST_F(StoredDataImportTest, NothingNewerEndsWithTheSameMessageForBothAnswers)
{
    for (int result : {-1, 0}) {
        SCOPED_TRACE(result);
        host.boxes.clear();
        link.openResult = result;
        link.readCount = 0;
        openAt();
        import.start();
        ASSERT_EQ(host.boxes.size(), 2u);
        EXPECT_EQ(host.boxes[1].text, sj("最新のデータがありません。"));
        EXPECT_EQ(link.calls.back(), "NVClose");
        EXPECT_EQ(import.phase(), Phase::Idle);
        EXPECT_FALSE(host.busyCursor);
        EXPECT_FALSE(channel.busy());
    }
    EXPECT_EQ(link.count("NVGets"), 0);
    EXPECT_EQ(settings.readString("NvDataGet", "LastTime", ""), "2024/01/15 00:00:00");
}

TEST_F(StoredDataImportTest, StartBeforeTheFirstServiceDateIsRefused)
{
    openAt("2010/01/31 23:59:59");
    import.start();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              sj("取得開始日付は2010年2月1日以降を指定してください。それ以前のデータは提供されておりません。"));
    EXPECT_TRUE(link.calls.empty());

    import.setDate(2010, 2, 1);
    link.openResult = -1;
    import.start();
    EXPECT_EQ(link.calls.at(0), "NVOpen RACE 20100201235959 1"); // the time of day stays
}

TEST_F(StoredDataImportTest, MissingOrBrokenLastTimeStartsAYearBack)
{
    host.clock = {2024, 3, 1, 10, 20, 30};
    import.open();
    EXPECT_EQ(import.picker(), (text::DateTime{2023, 3, 1, 10, 20, 30}));
    settings::writeLastTime(settings, "gestern");
    import.open();
    EXPECT_EQ(import.getDateLabel(), sj("2023年03月01日"));
}

TEST_F(StoredDataImportTest, NotReadyAnswersKeepPollingQuietly)
{
    openAt();
    link.readCount = 1;
    for (int i = 0; i < 50; ++i)
        link.gets.push_back(FakeNvLink::code(i % 2 ? -2 : -3));
    link.gets.push_back(FakeNvLink::rec(ra(1).build()));
    import.start();
    EXPECT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(link.count("NVGets"), 52);
    EXPECT_EQ(lines(raFile(), StoreKind::RA).size(), 1u);
}

TEST_F(StoredDataImportTest, ZeroTimeStampLeavesLastTimeAlone)
{
    openAt("2024/01/15 18:30:00");
    link.readCount = 1;
    link.timeStamp = "00000000000000";
    link.gets = {FakeNvLink::rec(ra(1).build())};
    import.start();
    EXPECT_EQ(settings.readString("NvDataGet", "LastTime", ""), "2024/01/15 18:30:00");
    EXPECT_EQ(import.progressLabel(), sj("データ作成が完了しました。"));
}

TEST_F(StoredDataImportTest, CancelWhileReadingStopsAndKeepsWhatWasWritten)
{
    openAt();
    link.readCount = 1;
    link.timeStamp = "20240116093000";
    link.gets = {FakeNvLink::rec(ra(1).build()), FakeNvLink::rec(ra(2).build()), FakeNvLink::rec(ra(3).build())};
    host.confirmAnswers = {false, true};
    link.onCall = [&](const std::string& call) {
        if (call == "NVGets" && link.count("NVGets") == 2) {
            import.cancel(); // No: goes on
            import.cancel(); // Yes
        }
    };
    import.start();
    EXPECT_EQ(link.cancels, 1);
    EXPECT_EQ(link.count("NVGets"), 2); // the loop stopped at its next turn
    // The record answered with the cancel was stored, nothing after it.
    EXPECT_EQ(lines(raFile(), StoreKind::RA).size(), 2u);
    EXPECT_EQ(host.boxes[1].text, sj("データ取込を中止します。実行しますか？"));
    EXPECT_EQ(host.boxes.back().text, sj("NVCancel:キャンセルされました"));
    EXPECT_EQ(import.progressLabel(), sj("NVCancel:キャンセルされました"));
    EXPECT_EQ(settings.readString("NvDataGet", "LastTime", ""), "2024/01/15 00:00:00");
    EXPECT_EQ(link.calls.back(), "NVClose");
    EXPECT_FALSE(channel.busy());
}

TEST_F(StoredDataImportTest, CancelDuringTheDownloadWaitClosesTheTransfer)
{
    openAt();
    link.readCount = 1;
    link.downloadCount = 5;
    import.start();
    ASSERT_TRUE(host.timerRunning(TimerId::TimerNVStatus));
    host.confirmAnswers = {false};
    import.cancel();
    EXPECT_TRUE(host.timerRunning(TimerId::TimerNVStatus)); // No: the wait goes on
    import.cancel();
    EXPECT_FALSE(host.timerRunning(TimerId::TimerNVStatus));
    EXPECT_EQ(link.cancels, 1);
    EXPECT_EQ(link.calls.back(), "NVClose");
    EXPECT_EQ(import.phase(), Phase::Idle);
    EXPECT_FALSE(host.busyCursor);
    EXPECT_FALSE(channel.busy());
    EXPECT_EQ(link.count("NVGets"), 0);
}

TEST_F(StoredDataImportTest, StatusErrorStopsPollingAndCloses)
{
    openAt();
    link.readCount = 1;
    link.downloadCount = 2;
    link.statuses = {1, 3, -502};
    import.start();
    host.fire(TimerId::TimerNVStatus);
    host.fire(TimerId::TimerNVStatus); // more than announced: polling goes on
    EXPECT_TRUE(host.timerRunning(TimerId::TimerNVStatus));
    EXPECT_EQ(import.progressLabel(), sj("ダウンロード中．．．(1/2)"));
    host.fire(TimerId::TimerNVStatus);
    EXPECT_FALSE(host.timerRunning(TimerId::TimerNVStatus));
    EXPECT_EQ(host.boxes.back().text, sj("JVStatusエラー:") + nvMessage(NvOperation::NVStatus, -502));
    EXPECT_EQ(link.calls.back(), "NVClose");
    EXPECT_EQ(link.count("NVGets"), 0);
}

TEST_F(StoredDataImportTest, ClosingTheWindowNeverLeavesATransferOpen)
{
    openAt();
    link.readCount = 1;
    link.downloadCount = 1;
    link.statuses = {0};
    import.start();
    EXPECT_TRUE(import.requestClose()); // download wait: cancelled and closed at once
    EXPECT_EQ(link.cancels, 1);
    EXPECT_FALSE(link.open);

    link.downloadCount = 0;
    link.gets = {FakeNvLink::rec(ra(1).build()), FakeNvLink::rec(ra(2).build())};
    int ready = 0;
    bool mayClose = true;
    import.setOnCloseReady([&] { ++ready; });
    link.onCall = [&](const std::string& call) {
        if (call == "NVGets" && link.count("NVGets") == 1)
            mayClose = import.requestClose();
    };
    import.start();
    EXPECT_FALSE(mayClose);
    EXPECT_EQ(ready, 1);
    EXPECT_FALSE(link.open);
    EXPECT_EQ(link.count("NVGets"), 1);
}

TEST_F(StoredDataImportTest, WindowDestroyedDuringTheDownloadWaitStillClosesTheTransfer)
{
    {
        StoredDataImport other(channel, host, store, settings);
        other.open();
        link.readCount = 1;
        link.downloadCount = 3;
        other.start();
        ASSERT_TRUE(channel.busy());
    }
    EXPECT_FALSE(link.open);
    EXPECT_FALSE(channel.busy());
    EXPECT_FALSE(host.timerRunning(TimerId::TimerNVStatus));
}

TEST_F(StoredDataImportTest, SecondStartWhileAnotherTransferRunsIsRefused)
{
    openAt();
    ASSERT_TRUE(channel.tryClaim());
    import.start();
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(host.boxes.back().text, acquisition::busyRefusalText());
    channel.release();

    link.setUiResult = -100;
    import.serviceSettings();
    EXPECT_EQ(host.boxes.back().text,
              sj("NVSetUIPropertiesエラー：") + nvMessage(NvOperation::NVSetUIProperties, -100));
}

TEST_F(StoredDataImportTest, FileErrorEndsTheImportButClosesFirst)
{
    openAt();
    link.readCount = 1;
    // A folder where the day file should be makes its write fail.
    std::filesystem::create_directories(raFile("2024年01月16日"));
    link.gets = {FakeNvLink::rec(ra(1).build()), FakeNvLink::rec(ra(1, "44", 2024, 1, 16).build()),
                 FakeNvLink::rec(ra(2).build())};
    import.start();
    EXPECT_EQ(host.boxes.back().kind, RecordingHost::BoxKind::Message);
    EXPECT_EQ(lines(raFile(), StoreKind::RA).size(), 1u);
    EXPECT_EQ(link.calls.back(), "NVClose");
    EXPECT_FALSE(channel.busy());
}

} // namespace
} // namespace tidemark::testing
