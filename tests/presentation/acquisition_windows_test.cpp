#include "presentation/get_data_model.h"
#include "presentation/oz_get_model.h"

#include "acquisition/acquisition_fixture.h"
#include "settings/settings_keys.h"

namespace tidemark::testing {
namespace {

using presentation::GetDataModel;
using presentation::OzGetModel;

class AcquisitionWindowsTest : public AcquisitionTest {};

TEST_F(AcquisitionWindowsTest, ImportWindowRunsAnImportAndHandsOverWhenClosed)
{
    int listRebuilds = 0;
    GetDataModel window(channel, host, store, settings, [&] { ++listRebuilds; });
    EXPECT_EQ(window.caption(), sj("データ取込"));
    EXPECT_EQ(window.buttonCancelCaption(), sj("データ取込中止"));
    EXPECT_EQ(window.speedButton1Caption(), sj("UmaConn設定"));

    settings::writeLastTime(settings, "2024/01/15 18:30:00");
    window.FormShow();
    EXPECT_EQ(window.GetDateLabel(), sj("2024年01月15日"));
    window.DateTimePicker1Change(2024, 1, 14);
    EXPECT_EQ(window.GetDateLabel(), sj("2024年01月14日"));

    link.readCount = 1;
    link.gets = {FakeNvLink::rec(ra(1).build()), FakeNvLink::rec(ra(2).build())};
    bool mayClose = true;
    int closeReady = 0;
    window.setOnCloseReady([&] { ++closeReady; });
    link.onCall = [&](const std::string& call) {
        if (call == "NVGets" && link.count("NVGets") == 1) {
            EXPECT_TRUE(window.transferRunning());
            mayClose = window.FormCloseQuery();
        }
    };
    window.ButtonStartClick();
    EXPECT_EQ(link.calls.at(0), "NVOpen RACE 20240114183000 1");
    EXPECT_FALSE(mayClose);
    EXPECT_EQ(closeReady, 1);
    EXPECT_FALSE(link.open);
    EXPECT_EQ(lines(raFile(), store::StoreKind::RA).size(), 1u);

    window.FormClose();
    window.FormClose();
    EXPECT_EQ(listRebuilds, 1);
}

TEST_F(AcquisitionWindowsTest, BatchWindowImportsTheDayTheMainWindowShows)
{
    store.storeRa(ra(1).build(), store::Origin::Import);
    store.storeRa(ra(1, "44", 2024, 1, 16).build(), store::Origin::Import);
    OzGetModel window(channel, host, store, [] { return 1; });
    EXPECT_EQ(window.caption(), sj("オッズ一括取得"));
    EXPECT_EQ(window.buttonStartCaption(), sj("オッズ取込(単日)"));
    EXPECT_EQ(window.DateComboIndex(), -1);

    host.clock = {2024, 1, 15, 9, 0, 0};
    window.setDateList({label("2024年01月16日"), label()});
    EXPECT_EQ(window.DateComboIndex(), 1); // the 16th is still to come
    window.showFor(label("2024年01月16日"));
    EXPECT_EQ(window.DateComboIndex(), 0);
    window.ButtonStartClick();
    EXPECT_EQ(link.calls.at(0), "NVRTOpen 0B41 2024011644010101");
    EXPECT_EQ(window.ProgressBar1(), (acquisition::ProgressBar{100, 100}));
    EXPECT_EQ(host.boxes.back().text,
              sj("2024年01月16日のデータ作成が完了しました。\r\n対象R:1R/エラー発生Rはありませんでした。"));
}

TEST_F(AcquisitionWindowsTest, BatchWindowCloseWaitsForTheRunningImport)
{
    store.storeRa(ra(1).build(), store::Origin::Import);
    store.storeRa(ra(2).build(), store::Origin::Import);
    store.storeRa(ra(1, "44", 2024, 1, 14).build(), store::Origin::Import);
    OzGetModel window(channel, host, store, [] { return 2; });
    host.clock = {2024, 1, 15, 9, 0, 0};
    window.setDateList({label(), label("2024年01月14日")});
    ASSERT_EQ(window.DateComboIndex(), 0);
    EXPECT_TRUE(window.FormCloseQuery()); // nothing running

    int closeReady = 0;
    window.setOnCloseReady([&] { ++closeReady; });
    bool mayClose = true;
    int readyAfterNestedClick = -1;
    link.onCall = [&](const std::string& call) {
        if (call.rfind("NVRTOpen", 0) != 0 || link.count("NVRTOpen") != 1)
            return;
        EXPECT_TRUE(window.importRunning());
        window.DateComboChange(1); // the day being imported stays selected
        EXPECT_EQ(window.DateComboIndex(), 0);
        mayClose = window.FormCloseQuery();
        window.ButtonStartClick(); // refused: the running import holds the channel
        readyAfterNestedClick = closeReady;
    };
    window.ButtonStartClick();

    EXPECT_FALSE(mayClose);
    EXPECT_EQ(readyAfterNestedClick, 0);
    EXPECT_EQ(closeReady, 1);
    EXPECT_EQ(link.count("NVRTOpen"), 1); // stopped like a cancel
    EXPECT_FALSE(link.open);
    EXPECT_FALSE(window.importRunning());
    EXPECT_EQ(host.boxes.back().text,
              sj("2024年01月15日のデータ作成がキャンセルされしました。データが不完全でないか確認をお奨めします。"));
    EXPECT_TRUE(window.FormCloseQuery());

    window.DateComboChange(1);
    EXPECT_EQ(window.DateComboIndex(), 1);
}

} // namespace
} // namespace tidemark::testing
