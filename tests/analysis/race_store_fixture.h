#pragma once
// A program folder with a store for the analysis and panel tests: day files, runner
// files and odds files written the way the store keeps them (lines + CR LF), so a test
// can also lay down files the writers would never produce.

#include <filesystem>
#include <string>
#include <vector>

#include "records/record_builder.h"
#include "store/store_layout.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::testing {

inline std::string joinCrLf(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return out;
}

// One race card of 2024-01-15 at 大井 (44), with the given race number, runners and post time.
inline records::RaBuilder raceCard(int race, int runners = 12, std::string_view post = "1540",
                                   std::string_view track = "44")
{
    records::RaBuilder b;
    b.date(2024, 1, 15).track(track).meeting(11).day(2).race(race).runners(runners).startTime(post).weekday("4");
    return b;
}

// One O1 snapshot of 2024-01-15 race `race` at 大井, created on `created`, announced at mmddhhmm.
inline records::O1Builder o1At(std::string_view mmddhhmm, int race = 1, std::string_view created = "20240115")
{
    records::O1Builder b;
    b.dataKind('0').creationDate(created).date(2024, 1, 15).track("44").meeting(11).day(2).race(race);
    b.announcement(mmddhhmm);
    return b;
}

inline records::O2Builder o2At(std::string_view mmddhhmm, int race = 1, std::string_view created = "20240115")
{
    records::O2Builder b;
    b.dataKind('0').creationDate(created).date(2024, 1, 15).track("44").meeting(11).day(2).race(race);
    b.announcement(mmddhhmm);
    return b;
}

inline records::SeBuilder runner(int race, int horse)
{
    records::SeBuilder b;
    b.date(2024, 1, 15).track("44").meeting(11).day(2).race(race).horse(horse);
    return b;
}

class RaceStore {
public:
    RaceStore() : layout(dir.path()) { text::ensureDirectory(layout.dataFolder()); }

    std::filesystem::path data(const std::string& utf8Name) const { return layout.dataFolder() / text::pathFromUtf8(utf8Name); }

    void write(const std::filesystem::path& file, const std::string& bytes) const
    {
        text::ensureDirectory(file.parent_path());
        text::writeFileAtomic(file, bytes);
    }
    void writeLines(const std::filesystem::path& file, const std::vector<std::string>& lines) const
    {
        write(file, joinCrLf(lines));
    }

    // Data/2024年01月15日.nvRA (or another label) with these race cards, in this order.
    void dayFile(const std::vector<std::string>& raLines, const std::string& utf8Label = "2024年01月15日") const
    {
        writeLines(data(utf8Label + ".nvRA"), raLines);
    }
    // 216 runner slots of a track file with the given runners put into their slots.
    void runnerFile(const std::vector<std::string>& seLines, const std::string& utf8Track = "大井",
                    const std::string& utf8Label = "2024年01月15日") const
    {
        std::vector<std::string> slots(216, std::string(records::kSeLineLength, ' '));
        for (const std::string& se : seLines) {
            const auto race = std::stoi(std::string(text::bytesAt(se, 26, 2)));
            const auto horse = std::stoi(std::string(text::bytesAt(se, 29, 2)));
            if (race >= 1 && horse >= 1)
                slots[static_cast<std::size_t>((race - 1) * 18 + horse - 1)] = se;
        }
        writeLines(data(utf8Label + utf8Track + ".nvSEr"), slots);
    }
    // Runners 1..n of races 1..races, all with horse numbers.
    void fullRunners(int races, int n) const
    {
        std::vector<std::string> lines;
        for (int r = 1; r <= races; ++r)
            for (int h = 1; h <= n; ++h)
                lines.push_back(runner(r, h).line());
        runnerFile(lines);
    }
    std::filesystem::path o1File(int race = 1) const
    {
        return layout.dataFolder() / "20240115" / ("441102" + twoDigits(race) + ".nvO1");
    }
    std::filesystem::path o2File(int race = 1) const
    {
        return layout.dataFolder() / "20240115" / ("441102" + twoDigits(race) + ".nvO2");
    }

    TempDir dir;
    store::StoreLayout layout;

private:
    static std::string twoDigits(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }
};

} // namespace tidemark::testing
