#include "presentation/tokutei_jikoku_model.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "results/export_day_fixture.h"
#include "settings/settings_keys.h"
#include "support/recording_host.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;
using results::testday::ExportDayFixture;
using testing::RecordingHost;
using text::sj;

class TokuteiJikokuTest : public ::testing::Test {
protected:
    TokuteiJikokuTest() : ini(fx.folder / "Tidemark2NV.ini"), form(host, ini, fx.layout) {}

    bool open() { return form.N9Click(true, fx.day); }

    ExportDayFixture fx;
    RecordingHost host;
    IniFile ini;
    TokuteiJikokuFormModel form;
};

TEST_F(TokuteiJikokuTest, OpeningWithoutADaySaysSoAndStaysClosed)
{
    EXPECT_FALSE(form.N9Click(false, fx.day));
    EXPECT_EQ(host.beeps, 1);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, RecordingHost::BoxKind::Information);
    EXPECT_EQ(host.boxes[0].text, sj("開催日が選択されていません。"));
}

TEST_F(TokuteiJikokuTest, OpeningReadsCsvTimeWithItsDefaults)
{
    ASSERT_TRUE(open());
    EXPECT_EQ(form.SpinEdit4().value, 9);
    EXPECT_EQ(form.SpinEdit5().value, 30);
    EXPECT_EQ(form.SpinEdit3().value, 10);
    EXPECT_EQ(form.RadioGroup1(), 0);
    EXPECT_EQ(form.RadioGroup2(), 0);
    EXPECT_FALSE(form.OpenFileCheck());
    EXPECT_TRUE(host.boxes.empty());

    settings::CsvTimeTokutei.write(ini, "1745");
    settings::CsvTimeB4hasso.write(ini, 25);
    settings::CsvTimeProperty.write(ini, 2);
    settings::CsvTimeOzOrNin.write(ini, 1);
    ASSERT_TRUE(open());
    EXPECT_EQ(form.SpinEdit4().value, 17);
    EXPECT_EQ(form.SpinEdit5().value, 45);
    EXPECT_EQ(form.SpinEdit3().value, 25);
    EXPECT_EQ(form.RadioGroup1(), 2);
    EXPECT_EQ(form.RadioGroup2(), 1);
    EXPECT_EQ(form.choice().moment.kind, results::MomentKind::BeforePost);
    EXPECT_EQ(form.choice().item, results::ExportItem::Popularity);
}

TEST_F(TokuteiJikokuTest, DamagedOrOutOfRangeSettingsStillOpenTheWindow)
{
    settings::CsvTimeTokutei.write(ini, "ab30");
    settings::CsvTimeB4hasso.write(ini, 1);
    settings::CsvTimeProperty.write(ini, 7);
    settings::CsvTimeOzOrNin.write(ini, -1);
    ASSERT_TRUE(open());
    EXPECT_EQ(form.SpinEdit4().value, 9);
    EXPECT_EQ(form.SpinEdit5().value, 30);
    EXPECT_EQ(form.SpinEdit3().value, 3); // the control's smallest value
    EXPECT_EQ(form.RadioGroup1(), 0);
    EXPECT_EQ(form.RadioGroup2(), 0);
    EXPECT_TRUE(host.boxes.empty());

    settings::CsvTimeTokutei.write(ini, "2575");
    ASSERT_TRUE(open());
    EXPECT_EQ(form.SpinEdit4().value, 23);
    EXPECT_EQ(form.SpinEdit5().value, 59);
}

TEST_F(TokuteiJikokuTest, ClosingWritesCsvTimeAndReopeningRestoresIt)
{
    ASSERT_TRUE(open());
    form.setSpinEdit4(7);
    form.setSpinEdit5(5);
    form.setSpinEdit3(60); // beyond the range: 59
    form.setRadioGroup1(1);
    form.setRadioGroup2(1);
    EXPECT_TRUE(form.FormCloseQuery());
    EXPECT_EQ(ini.readRaw("CSVTime", "tokutei", ""), "0705");
    EXPECT_EQ(settings::CsvTimeB4hasso.read(ini), 59);
    EXPECT_EQ(settings::CsvTimeProperty.read(ini), 1);
    EXPECT_EQ(settings::CsvTimeOzOrNin.read(ini), 1);

    TokuteiJikokuFormModel again(host, ini, fx.layout);
    ASSERT_TRUE(again.N9Click(true, fx.day));
    EXPECT_EQ(again.SpinEdit4().value, 7);
    EXPECT_EQ(again.SpinEdit5().value, 5);
    EXPECT_EQ(again.SpinEdit3().value, 59);
    EXPECT_EQ(again.RadioGroup1(), 1);
    EXPECT_EQ(again.RadioGroup2(), 1);
}

TEST_F(TokuteiJikokuTest, ClosingStillClosesWhenTheSettingsCannotBeWritten)
{
    fs::create_directory(ini.path()); // a folder where the settings file should be
    ASSERT_TRUE(open());
    EXPECT_TRUE(form.FormCloseQuery());
    EXPECT_EQ(host.beeps, 1);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, RecordingHost::BoxKind::Message);
    EXPECT_FALSE(host.boxes[0].text.empty());
}

TEST_F(TokuteiJikokuTest, ExportRunsWithTheControlsChoiceUnderTheHourglass)
{
    ASSERT_TRUE(open());
    form.setRadioGroup1(2);
    form.setSpinEdit3(35);
    form.setRadioGroup2(1);
    form.setOpenFileCheck(true);

    int busyPumps = 0;
    host.onProcessEvents = [&] {
        if (host.busyCursor && form.exporting())
            ++busyPumps;
        form.ClipBtn1Click(); // a second click while the first runs is ignored
    };
    form.ClipBtn1Click();
    host.onProcessEvents = nullptr;

    EXPECT_EQ(busyPumps, 4);
    EXPECT_EQ(host.eventPumps, 4);
    EXPECT_FALSE(host.busyCursor);
    EXPECT_FALSE(form.exporting());
    EXPECT_TRUE(host.boxes.empty());
    ASSERT_TRUE(form.lastResult().succeeded());
    ASSERT_EQ(host.opened.size(), 4u);
    EXPECT_EQ(fs::path(host.opened[0]).filename(), "TAN20240115NIN.CSV");
    EXPECT_EQ(fs::path(host.opened[3]).filename(), "UMA20240115NIN.CSV");

    // 35 minutes before 10:15 is 09:40: the ばんえい race's 10:00 snapshot.
    const auto win = results::testday::linesOf(text::readFile(fx.csv("TAN20240115NIN.CSV")));
    ASSERT_EQ(win.size(), 4u);
    EXPECT_EQ(results::testday::cellsOf(win[2])[16], "10:00");
}

TEST_F(TokuteiJikokuTest, FileErrorIsShownAndNothingIsReportedAsDone)
{
    ASSERT_TRUE(open());
    fs::remove(fx.layout.csvFolder());
    text::writeFileAtomic(fx.layout.csvFolder(), "not a folder");
    form.ClipBtn1Click();
    EXPECT_EQ(form.lastResult().failure, results::ExportFailure::File);
    EXPECT_TRUE(form.lastResult().written.empty());
    EXPECT_EQ(host.beeps, 1);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, RecordingHost::BoxKind::Message);
    EXPECT_EQ(host.boxes[0].text, form.lastResult().message);
    EXPECT_NE(host.boxes[0].text.find("CSV"), std::string::npos);
    EXPECT_FALSE(host.busyCursor);
}

TEST_F(TokuteiJikokuTest, FilesTheDesktopCouldNotOpenAreNamed)
{
    ASSERT_TRUE(open());
    form.setOpenFileCheck(true);
    host.openSucceeds = false;
    form.ClipBtn1Click();
    ASSERT_TRUE(form.lastResult().succeeded());
    ASSERT_EQ(host.boxes.size(), 1u);
    const std::string& text = host.boxes[0].text;
    EXPECT_EQ(text.rfind(TokuteiJikokuFormModel::texts().notOpened, 0), 0u);
    EXPECT_NE(text.find("TAN20240115OZ.CSV"), std::string::npos);
    EXPECT_NE(text.find("UMA20240115OZ.CSV"), std::string::npos);
}

TEST_F(TokuteiJikokuTest, DayWithoutRaceCardsWritesNothing)
{
    ASSERT_TRUE(form.N9Click(true, results::ExportDay{}));
    form.ClipBtn1Click();
    EXPECT_EQ(host.beeps, 1);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, RecordingHost::BoxKind::Information);
    EXPECT_EQ(host.boxes[0].text, results::noRaceDayMessage());
    EXPECT_TRUE(fs::is_empty(fx.layout.csvFolder()));
}

TEST(TokuteiJikokuTexts, EveryTextHasItsCp932Form)
{
    const auto& t = TokuteiJikokuFormModel::texts();
    // "～" is the CP932 character 81 60; half-width katakana are one byte each.
    EXPECT_NE(t.clockNote.find("\x81\x60"), std::string::npos);
    EXPECT_EQ(t.exportHint.size(), 14u + 10u + 12u); // 各種表の内容を + ｸﾘｯﾌﾟﾎﾞｰﾄﾞ + にｺﾋﾟｰします
    for (const std::string* s : {&t.caption, &t.kindGroupCaption, &t.clockLabel, &t.clockNote, &t.beforePostLabel,
                                 &t.beforePostNote, &t.itemGroupCaption, &t.openFileCaption, &t.exportCaption,
                                 &t.exportHint, &t.noDaySelected, &t.notOpened})
        EXPECT_EQ(s->find('?'), std::string::npos) << text::toUtf8(*s);
    EXPECT_EQ(t.kindItems.size(), 3u);
    EXPECT_EQ(t.itemItems.size(), 2u);
}

} // namespace
} // namespace tidemark
