#pragma once
// A program folder in a temporary directory with its store, settings file and error
// log, the recording host and the scripted service, plus record builders for one day.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "acquisition/fake_nv_link.h"
#include "acquisition/nv_channel.h"
#include "records/record_builder.h"
#include "service/error_log.h"
#include "settings/ini_file.h"
#include "store/record_reader.h"
#include "store/record_store.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::testing {

using text::sj;

class AcquisitionTest : public ::testing::Test {
protected:
    AcquisitionTest()
        : store(store::StoreLayout(dir.path())), settings(dir / "Tidemark2NV.ini"), channel(link)
    {
        store.layout().createFolders();
        ErrorLog(dir.path()).startUp(host.clock, "/tidemark");
    }

    // Race card of race `race` at track `track` on 2024-01-15 (or the given date).
    static records::RaBuilder ra(int race, std::string_view track = "44", int y = 2024, int m = 1, int d = 15)
    {
        records::RaBuilder b;
        b.date(y, m, d).track(track).meeting(1).day(1).race(race).runners(12).startTime("1015");
        return b;
    }
    static records::SeBuilder se(int race, int horse, std::string_view track = "44", int y = 2024, int m = 1,
                                 int d = 15)
    {
        records::SeBuilder b;
        b.date(y, m, d).track(track).meeting(1).day(1).race(race).horse(horse).horseName(sj("テストホース"));
        return b;
    }
    static records::HrBuilder hr(int race, std::string_view track = "44", int y = 2024, int m = 1, int d = 15)
    {
        records::HrBuilder b;
        b.date(y, m, d).track(track).meeting(1).day(1).race(race).win(1, 3, 450, 2);
        return b;
    }
    static records::O1Builder o1(int race, int hour, int minute, std::string_view track = "44")
    {
        records::O1Builder b;
        b.date(2024, 1, 15).track(track).meeting(1).day(1).race(race).announcement(1, 15, hour, minute).win(1, 3.5, 1);
        return b;
    }
    static records::O2Builder o2(int race, int hour, int minute, std::string_view track = "44")
    {
        records::O2Builder b;
        b.date(2024, 1, 15).track(track).meeting(1).day(1).race(race).announcement(1, 15, hour, minute).quinella(1, 12.5, 1);
        return b;
    }
    // Race key (bytes 12–27) of race `race` at track 44 on 2024-01-15.
    static std::string key(int race, std::string_view track = "44")
    {
        return std::string(text::bytesAt(ra(race, track).line(), 12, 16));
    }

    std::string label(std::string_view utf8 = "2024年01月15日") const { return sj(utf8); }
    std::filesystem::path raFile(std::string_view utf8 = "2024年01月15日") const
    {
        return store.layout().raFile(label(utf8));
    }
    std::filesystem::path hrFile(std::string_view utf8 = "2024年01月15日") const
    {
        return store.layout().hrFile(label(utf8));
    }
    std::filesystem::path seFile(std::string_view track = "44") const
    {
        return store.layout().seFile(label(), track);
    }
    std::filesystem::path oddsFile(store::StoreKind kind, int race, std::string_view track = "44") const
    {
        return store.layout().oddsFile(kind, key(race, track));
    }
    std::vector<std::string> lines(const std::filesystem::path& file, store::StoreKind kind) const
    {
        return store::readLines(file, kind);
    }
    std::string errorLogText() const
    {
        std::string s;
        text::tryReadFile(dir / "ErrorLog.txt", s);
        return s;
    }
    int boxesWith(std::string_view textCp932) const
    {
        int n = 0;
        for (const auto& b : host.boxes)
            n += b.text == textCp932 ? 1 : 0;
        return n;
    }

    TempDir dir;
    RecordingHost host;
    FakeNvLink link;
    store::RecordStore store;
    IniFile settings;
    acquisition::NvChannel channel;
};

} // namespace tidemark::testing
