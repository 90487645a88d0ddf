#include "presentation/time_dialog_models.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/settings_keys.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark {
namespace {

using testing::RecordingHost;
using testing::TempDir;
using text::sj;

class TimeDialogTest : public ::testing::Test {
protected:
    bool fileExists() const { return std::filesystem::exists(m_dir / "Tidemark2NV.ini"); }

    TempDir m_dir;
    IniFile m_ini{m_dir / "Tidemark2NV.ini"};
    RecordingHost m_host;
};

TEST_F(TimeDialogTest, FirstTimeOpensWithDefaultsAndOkStoresTheTime)
{
    FirstTimeFormModel dlg(m_ini);
    EXPECT_EQ(dlg.hour().value, 9);
    EXPECT_EQ(dlg.minute().value, 30);
    EXPECT_TRUE(dlg.ignoreFirstTime());
    dlg.setHour(8);
    dlg.setMinute(5);
    dlg.okClick();
    EXPECT_FALSE(dlg.isOpen());
    EXPECT_EQ(settings::TimeFirst.read(m_ini), 805);

    FirstTimeFormModel again(m_ini);
    EXPECT_EQ(again.hour().value, 8);
    EXPECT_EQ(again.minute().value, 5);
}

TEST_F(TimeDialogTest, FirstTimeSplitsTheStoredValueAsHhmm)
{
    settings::TimeFirst.write(m_ini, 45); // "0045": 0 hours, 45 minutes
    EXPECT_EQ(FirstTimeFormModel(m_ini).hour().value, 0);
    EXPECT_EQ(FirstTimeFormModel(m_ini).minute().value, 45);
    // Beyond the boxes' ranges (edited by hand): the boxes hold their limits.
    settings::TimeFirst.write(m_ini, 1875);
    EXPECT_EQ(FirstTimeFormModel(m_ini).hour().value, 11);
    EXPECT_EQ(FirstTimeFormModel(m_ini).minute().value, 59);
    FirstTimeFormModel dlg(m_ini);
    dlg.setHour(12);
    dlg.setMinute(-1);
    EXPECT_EQ(dlg.hour().value, 11);
    EXPECT_EQ(dlg.minute().value, 0);
}

TEST_F(TimeDialogTest, FirstTimeCheckBoxIsStoredAtOnceAndTheCloseBoxWritesNothingElse)
{
    settings::TimeIgnoFirstTime.write(m_ini, false);
    FirstTimeFormModel dlg(m_ini);
    EXPECT_FALSE(dlg.ignoreFirstTime());
    dlg.setHour(10);
    dlg.ignoreCheckClick(true);
    EXPECT_TRUE(settings::TimeIgnoFirstTime.read(m_ini));
    dlg.closeBoxClick();
    EXPECT_FALSE(dlg.isOpen());
    EXPECT_EQ(m_ini.readRaw("Time", "First", "absent"), "absent");
}

TEST_F(TimeDialogTest, ResultsIntervalOffers10AndOkStoresIt)
{
    OzGetTimeFormModel dlg(m_ini);
    EXPECT_EQ(dlg.interval().value, 10);
    dlg.closeBoxClick();
    EXPECT_FALSE(fileExists());

    OzGetTimeFormModel dlg2(m_ini);
    dlg2.setInterval(3); // below the box's range
    EXPECT_EQ(dlg2.interval().value, 5);
    dlg2.setInterval(20);
    dlg2.okClick();
    EXPECT_FALSE(dlg2.isOpen());
    EXPECT_EQ(settings::TimeAutoRdataGetTimer.read(m_ini), 20);
    EXPECT_EQ(OzGetTimeFormModel(m_ini).interval().value, 20);
}

TEST_F(TimeDialogTest, ThreePointsOpenWithDefaultsAndOkStoresAllFour)
{
    TimeAddFormModel dlg(m_ini, m_host);
    EXPECT_EQ(dlg.first().value, 30);
    EXPECT_EQ(dlg.second().value, 20);
    EXPECT_EQ(dlg.third().value, 10);
    EXPECT_FALSE(dlg.notUse());
    dlg.setFirst(45);
    dlg.setSecond(15);
    dlg.setThird(3);
    dlg.notUseCheckClick(true);
    dlg.okClick();
    EXPECT_FALSE(dlg.isOpen());
    EXPECT_TRUE(m_host.boxes.empty());
    EXPECT_EQ(settings::TimeFirst1.read(m_ini), 45);
    EXPECT_EQ(settings::TimeSecond2.read(m_ini), 15);
    EXPECT_EQ(settings::TimeThird3.read(m_ini), 3);
    EXPECT_TRUE(settings::TimeNotUse.read(m_ini));

    TimeAddFormModel again(m_ini, m_host);
    EXPECT_EQ(again.first().value, 45);
    EXPECT_TRUE(again.notUse());
}

TEST_F(TimeDialogTest, ThreePointsOutOfOrderAreRefusedAndNothingIsWritten)
{
    TimeAddFormModel dlg(m_ini, m_host);
    dlg.setSecond(30); // equal to the first
    dlg.okClick();
    EXPECT_TRUE(dlg.isOpen());
    EXPECT_EQ(m_host.beeps, 1);
    ASSERT_EQ(m_host.boxes.size(), 1u);
    EXPECT_EQ(m_host.boxes[0].kind, RecordingHost::BoxKind::Information);
    EXPECT_EQ(text::toUtf8(m_host.boxes[0].text),
              "１回目オッズの指定時刻は２回目オッズの指定時刻より前の時刻を指定してください。");

    dlg.setSecond(25);
    dlg.setThird(25);
    dlg.okClick();
    EXPECT_TRUE(dlg.isOpen());
    EXPECT_EQ(m_host.beeps, 2);
    ASSERT_EQ(m_host.boxes.size(), 2u);
    EXPECT_EQ(text::toUtf8(m_host.boxes[1].text),
              "２回目オッズの指定時刻は３回目オッズの指定時刻より前の時刻を指定してください。");
    EXPECT_FALSE(fileExists());

    dlg.setThird(24);
    dlg.okClick();
    EXPECT_FALSE(dlg.isOpen());
    EXPECT_EQ(settings::TimeThird3.read(m_ini), 24);
    // Spin boxes hold 3–59.
    TimeAddFormModel limits(m_ini, m_host);
    limits.setFirst(60);
    limits.setThird(2);
    EXPECT_EQ(limits.first().value, 59);
    EXPECT_EQ(limits.third().value, 3);
}

TEST_F(TimeDialogTest, TextsKeepTheirHalfAndFullWidthCharacters)
{
    // The wave between the hours is the full-width tilde, 81 60 in the program's code page.
    EXPECT_NE(FirstTimeFormModel::texts().rangeNote.find("\x81\x60"), std::string::npos);
    EXPECT_EQ(text::toUtf8(FirstTimeFormModel::texts().rangeNote), "（午前０時～１１時５９分までの任意の時間を指定）");
    // "ﾚｰｽ" is half-width katakana, one byte each.
    EXPECT_NE(OzGetTimeFormModel::texts().explanation.find("\xDA\xB0\xBD"), std::string::npos);
}

} // namespace
} // namespace tidemark
