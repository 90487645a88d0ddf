#include <gtest/gtest.h>

#include "presentation/main_window_model.h"
#include "presentation/main_window_texts.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark {
namespace {

using testing::RecordingHost;
using testing::TempDir;
using text::sj;

class InitOnlyLink : public NvLink {
public:
    int initResult = 0;
    std::string lastServiceId;
    int NVInit(std::string_view id) override
    {
        lastServiceId = std::string(id);
        return initResult;
    }
    int NVSetUIProperties() override { return 0; }
    int NVOpen(std::string_view, std::string_view, int, int& r, int& d, std::string& t) override
    {
        r = d = 0;
        t.clear();
        return -1;
    }
    int NVStatus() override { return 0; }
    int NVGets(std::string&, int, std::string&) override { return 0; }
    int NVRead(std::string&, int, std::string&) override { return 0; }
    int NVRTOpen(std::string_view, std::string_view) override { return 0; }
    int NVClose() override { return 0; }
    void NVCancel() override {}
};

class Factory : public NvLinkFactory {
public:
    bool present = true;
    bool installed() const override { return present; }
    std::unique_ptr<NvLink> create() override { return std::make_unique<InitOnlyLink>(); }
};

struct MainWindowFixture : ::testing::Test {
    TempDir dir;
    RecordingHost host;
    InitOnlyLink link;
    MainWindowModel model{host, link, dir.path()};
};

TEST_F(MainWindowFixture, CreateMakesFoldersAndStartsTheErrorLog)
{
    host.clock = {2024, 1, 15, 9, 5, 7};
    model.create();
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Data"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "CSV"));
    std::string log = text::readFile(dir / "ErrorLog.txt");
    EXPECT_EQ(log, sj("ソフト起動：2024/01/15 09:05:07\r\n") + dir.path().string() + "\r\n");
}

TEST_F(MainWindowFixture, FolderThatCannotBeCreatedFailsWithThePlatformMessage)
{
    text::writeFileAtomic(dir / "Data", "a file where the folder belongs");
    EXPECT_THROW(model.create(), text::FileError);
}

// "リスト作成" (and the import window closing) over a Data folder that cannot be listed:
// the platform's message, an empty day list, and the window goes on.
TEST_F(MainWindowFixture, DayListOverAnUnlistableDataFolderReportsAndShowsNoDays)
{
    model.create();
    std::filesystem::remove_all(dir / "Data");
    text::writeFileAtomic(dir / "Data", "a file where the folder belongs");
    EXPECT_NO_THROW(model.MakeDataListBtnClick());
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(text::toUtf8(host.boxes[0].text).find("Data"), std::string::npos) << text::toUtf8(host.boxes[0].text);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(model.panel().DateCombo().count(), 0);
}

// A fault no handler foresaw: one error-log line and its message.
TEST_F(MainWindowFixture, UnexpectedFaultIsLoggedAndShown)
{
    model.create();
    model.unexpectedFault("map::at");
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "map::at");
    const std::string log = text::readFile(dir / "ErrorLog.txt");
    EXPECT_NE(log.find(sj("【エラー】")), std::string::npos) << text::toUtf8(log);
    EXPECT_NE(log.find("map::at"), std::string::npos);
    // A log that cannot be written does not hide the message.
    std::filesystem::remove(dir / "ErrorLog.txt");
    std::filesystem::create_directory(dir / "ErrorLog.txt");
    model.unexpectedFault("second");
    EXPECT_EQ(host.boxes.back().text, "second");
}

TEST_F(MainWindowFixture, FirstStartPlacesTheWindowAtDefaultsAndCloseWritesPlacement)
{
    WindowPlacement p = model.placement();
    EXPECT_EQ(p.top, 10);
    EXPECT_EQ(p.left, 10);
    EXPECT_EQ(p.width, 780);
    EXPECT_EQ(p.height, 560);
    EXPECT_FALSE(std::filesystem::exists(dir / "Tidemark2NV.ini"));
    model.close({20, 30, 900, 700});
    std::string ini = text::readFile(dir / "Tidemark2NV.ini");
    EXPECT_NE(ini.find("top=20"), std::string::npos);
    EXPECT_NE(ini.find("left=30"), std::string::npos);
    MainWindowModel again(host, link, dir.path());
    WindowPlacement q = again.placement();
    EXPECT_EQ(q.top, 20);
    EXPECT_EQ(q.left, 30);
    EXPECT_EQ(q.width, 900);
    EXPECT_EQ(q.height, 700);
}

TEST_F(MainWindowFixture, FirstShowCallsNVInitWithTheServiceId)
{
    EXPECT_TRUE(model.firstShow());
    EXPECT_EQ(link.lastServiceId, "SA418372/SD605291/TidemarkNV/Ver.1.15");
    EXPECT_EQ(model.versionText(), "Ver.1.15");
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(MainWindowFixture, NVInitErrorShowsAPlainBoxWithTheSignedResult)
{
    link.initResult = -301;
    EXPECT_FALSE(model.firstShow());
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, RecordingHost::BoxKind::Message);
    EXPECT_EQ(host.boxes[0].text, sj("NVInitエラーが発生しました。：-301"));
}

TEST_F(MainWindowFixture, MaeuriToggleIsWrittenAndRestored)
{
    model.create();
    EXPECT_FALSE(model.maeuriChecked());
    model.maeuriMenuClick();
    EXPECT_TRUE(model.maeuriChecked());
    MainWindowModel again(host, link, dir.path());
    again.create();
    EXPECT_TRUE(again.maeuriChecked());
    again.maeuriMenuClick();
    MainWindowModel third(host, link, dir.path());
    third.create();
    EXPECT_FALSE(third.maeuriChecked());
}

TEST_F(MainWindowFixture, StdDevKindZeroIsSampleAnythingElsePopulation)
{
    text::writeFileAtomic(dir / "Tidemark2NV.ini", "[StdDev]\r\nkind=7\r\n");
    model.create();
    EXPECT_EQ(model.stdDevKind(), 1);
    model.STDEVClick(0);
    MainWindowModel again(host, link, dir.path());
    again.create();
    EXPECT_EQ(again.stdDevKind(), 0);
}

TEST_F(MainWindowFixture, ManualIsOpenedWhenPresentEvenEmptyElseMissingMessage)
{
    model.HelpContentsItemClick();
    EXPECT_EQ(host.beeps, 1);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, sj("使用解説書[Tidemark2NV.pdf]が見つかりません。"));
    EXPECT_TRUE(host.opened.empty());

    text::writeFileAtomic(dir / "Tidemark2NV.pdf", "");
    model.HelpContentsItemClick();
    ASSERT_EQ(host.opened.size(), 1u);
    EXPECT_EQ(host.opened[0], (dir / "Tidemark2NV.pdf").string());
    EXPECT_EQ(host.boxes.size(), 1u);
}

TEST(ServiceCheck, MissingComponentBeepsTellsAndOpensTheGuidePage)
{
    RecordingHost host;
    Factory f;
    EXPECT_TRUE(checkServiceInstalled(f, host));
    EXPECT_EQ(host.beeps, 0);
    f.present = false;
    EXPECT_FALSE(checkServiceInstalled(f, host));
    EXPECT_EQ(host.beeps, 1);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, RecordingHost::BoxKind::Information);
    EXPECT_EQ(host.boxes[0].text,
              sj("地方競馬VANのホームページより【UmaConn】を入手し、インストールしてください。"));
    ASSERT_EQ(host.opened.size(), 1u);
}

} // namespace
} // namespace tidemark
