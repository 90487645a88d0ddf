// Writes the seed corpora of the fuzz targets from the simulated service: a store of two
// race days built by the real writers, then, per target, inputs in the form the target
// reads (parts joined by kPartMarker). Usage: tidemark_fuzz_seeds <corpus folder>; one
// sub-folder per target is filled.

#include "bridge/bridge_protocol.h"
#include "fuzz_support.h"
#include "nvsim/odds_series.h"
#include "nvsim/sim_records.h"
#include "nvsim/sim_world.h"
#include "records/record_view.h"
#include "settings/ini_file.h"
#include "store/record_reader.h"
#include "store/record_store.h"
#include "text/cp932.h"
#include "text/file_io.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace tidemark;
namespace fs = std::filesystem;

namespace {

std::string joined(const std::vector<std::string>& parts)
{
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += fuzz::kPartMarker;
        out += parts[i];
    }
    return out;
}

std::string fileBytes(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& l : lines)
        out += l + "\r\n";
    return out;
}

// `count` lines spread evenly over a series, its first and last among them: a series
// short enough that the fuzzer spends its time on the readers, not on copying bytes.
std::vector<std::string> sampled(const std::vector<std::string>& lines, std::size_t count)
{
    if (lines.size() <= count || count < 2)
        return lines.size() <= count ? lines : std::vector<std::string>(lines.end() - 1, lines.end());
    std::vector<std::string> out;
    for (std::size_t k = 0; k < count; ++k)
        out.push_back(lines[k * (lines.size() - 1) / (count - 1)]);
    return out;
}

// The first `count` lines.
std::vector<std::string> firstOf(const std::vector<std::string>& lines, std::size_t count)
{
    return {lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(count, lines.size()))};
}

std::vector<std::string> storedLines(const fs::path& file, store::StoreKind kind)
{
    std::vector<std::string> lines = store::readLines(file, kind);
    return lines;
}

struct Writer {
    fs::path root;
    int count = 0;
    void put(const std::string& target, const std::string& bytes)
    {
        fs::create_directories(root / target);
        text::writeFileAtomic(root / target / ("seed" + std::to_string(++count)), bytes);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    Writer out{argv[1]};
    fuzz::Scratch scratch;
    const store::StoreLayout layout(scratch.fresh());
    layout.createFolders();

    // The store as the import and the odds fetches leave it, for two race days.
    nvsim::SimWorld world(4242, {2024, 1, 12}, {2024, 1, 13});
    std::vector<const nvsim::SimRace*> races;
    {
        store::RecordStore store(layout);
        store::StoreBatch batch(store);
        for (int d = 12; d <= 13; ++d) {
            for (const nvsim::SimRace* race : world.racesOn({2024, 1, d})) {
                races.push_back(race);
                const nvsim::OddsSeries series(*race);
                const nvsim::OddsSnapshot closing = series.closing();
                const nvsim::SimMinute done = race->resultAt() + 30;
                store.storeRa(nvsim::raRecord(*race, nvsim::CardStage::Result, done), store::Origin::Import);
                for (const nvsim::SimRunner& r : race->runners)
                    store.storeSe(nvsim::seRecord(*race, r, nvsim::CardStage::Result, done, &closing), store::Origin::Import);
                store.storeHr(nvsim::hrRecord(*race, closing, done, false), store::Origin::Import);
                std::vector<std::string> o1, o2;
                for (std::size_t i = 0; i < series.entries().size(); ++i) {
                    o1.push_back(nvsim::o1Record(*race, series.snapshot(i, nvsim::OddsSeries::Pools::WinPlaceBracket)));
                    o2.push_back(nvsim::o2Record(*race, series.snapshot(i, nvsim::OddsSeries::Pools::Quinella)));
                }
                store.storeOdds(store::StoreKind::O1, o1);
                store.storeOdds(store::StoreKind::O2, o2);
            }
        }
        batch.commit();
    }

    for (const std::string& label : layout.dayLabels()) {
        const std::vector<std::string> ras = storedLines(layout.raFile(label), store::StoreKind::RA);
        const std::vector<std::string> hrs = storedLines(layout.hrFile(label), store::StoreKind::HR);
        // Per track: its race cards, payouts and runner file; its races' odds files.
        std::vector<std::string> tracks;
        for (const std::string& ra : ras) {
            const std::string code(records::RaView(ra).trackCode());
            if (std::find(tracks.begin(), tracks.end(), code) == tracks.end())
                tracks.push_back(code);
        }
        for (const std::string& track : tracks) {
            std::vector<std::string> trackRas, trackHrs;
            for (const auto& l : ras)
                if (records::RaView(l).trackCode() == track)
                    trackRas.push_back(l);
            for (const auto& l : hrs)
                if (records::RaView(l).trackCode() == track)
                    trackHrs.push_back(l);
            const std::string seBytes = text::readFile(layout.seFile(label, track));
            // The first races of the track: their cards, payouts and runner slots.
            constexpr std::size_t kSeedRaces = 3;
            const std::size_t slot = store::recordSize(store::StoreKind::SE);
            out.put("day_files", joined({fileBytes(firstOf(trackRas, kSeedRaces)), fileBytes(firstOf(trackHrs, kSeedRaces)),
                                         seBytes.substr(0, std::min(seBytes.size(), kSeedRaces * 18 * slot))}));

            std::vector<std::string> exportParts{fileBytes(firstOf(trackRas, kSeedRaces))};
            for (std::size_t i = 0; i < trackRas.size(); ++i) {
                const std::string& ra = trackRas[i];
                const auto o1 = storedLines(*layout.fileOf(store::StoreKind::O1, ra), store::StoreKind::O1);
                const auto o2 = storedLines(*layout.fileOf(store::StoreKind::O2, ra), store::StoreKind::O2);
                if (i % 4 == 0) {
                    out.put("odds_file", joined({ra, fileBytes(sampled(o1, 5)), fileBytes(sampled(o2, 3)),
                                                 std::string(1, static_cast<char>(i))}));
                    // The race's runners (its 18 slots of the runner file) and payouts.
                    const std::size_t race = static_cast<std::size_t>(records::RaView(ra).raceNumber());
                    const std::string runners =
                        race >= 1 && race * 18 * slot <= seBytes.size() ? seBytes.substr((race - 1) * 18 * slot, 18 * slot)
                                                                        : std::string();
                    std::string hr;
                    for (const auto& l : trackHrs)
                        if (records::RaView(l).raceKey() == records::RaView(ra).raceKey())
                            hr = l;
                    out.put("season_rows",
                            joined({ra, fileBytes(sampled(o1, 5)), fileBytes(sampled(o2, 3)), runners, hr}));
                }
                if (i < kSeedRaces) {
                    exportParts.push_back(fileBytes(sampled(o1, 2)));
                    exportParts.push_back(fileBytes(sampled(o2, 2)));
                }
                if (i == 0) {
                    out.put("record_views", ra);
                    out.put("record_views", trackHrs.empty() ? ra : trackHrs.front());
                    out.put("record_views", o1.empty() ? ra : o1.back());
                    out.put("record_views", o2.empty() ? ra : o2.back());
                    out.put("record_views", seBytes.substr(0, store::lineLength(store::StoreKind::SE)));
                    // One race written again, as the import and a fetch would.
                    std::vector<std::string> ops;
                    ops.push_back(std::string(1, '\x07'));
                    ops.push_back('\x00' + ra);
                    ops.push_back('\x02' + (trackHrs.empty() ? ra : trackHrs.front()));
                    ops.push_back('\x01' + seBytes.substr(0, store::lineLength(store::StoreKind::SE)));
                    ops.push_back(std::string(1, '\x07'));
                    for (const auto& l : sampled(o1, 3))
                        ops.push_back('\x03' + l);
                    ops.push_back(std::string(1, '\x05'));
                    for (const auto& l : sampled(o2, 2))
                        ops.push_back('\x04' + l + "\r\n");
                    ops.push_back(std::string(1, '\x06'));
                    ops.push_back('\x08' + ra);
                    out.put("store_writers", joined(ops));
                }
            }
            exportParts.push_back(std::string(1, static_cast<char>(tracks.size())));
            out.put("csv_export", joined(exportParts));
        }
    }

    // Settings files as the program writes them.
    const fs::path iniPath = scratch.program() / "Tidemark2NV.ini";
    {
        IniFile ini(iniPath);
        ini.writeInteger("locate", "top", 10);
        ini.writeInteger("Time", "First", 930);
        ini.writeBool("Time", "IgnoFirstTime", true);
        ini.writeString("NvDataGet", "LastTime", "20240101000000");
        ini.writeString("Text", "Quoted", text::sj("｢大井｣"));
        ini.writeInteger("Graph", "Ymax1", 0x1F4);
    }
    out.put("ini_file", joined({text::readFile(iniPath), "Time=First\nText=Quoted\nGraph=Ymax1\nlocate=top"}));
    out.put("ini_file", joined({"[Time]\r\nFirst=$3A2\r\nNotUse=0x1\r\n[MaeUri]\r\nIgnore=\"1\"\r\n", "Time=NotUse"}));
    // A client's conversation with the bridge: every request once, well formed.
    {
        using bridge::Kind;
        using bridge::PayloadWriter;
        const auto frame = [](Kind k, const PayloadWriter& p) {
            return bridge::encodeFrame(static_cast<std::uint8_t>(k), p.data());
        };
        std::string talk;
        talk += frame(Kind::Init, PayloadWriter().bytes("SA418372/SD605291/TidemarkNV/Ver.1.15"));
        talk += frame(Kind::Open, PayloadWriter().bytes("RACE").bytes("20240101000000").integer(1).integer(0).integer(0).bytes(""));
        talk += frame(Kind::Status, PayloadWriter());
        talk += frame(Kind::Gets, PayloadWriter().integer(110000).bytes("").bytes(""));
        talk += frame(Kind::Read, PayloadWriter().integer(110000).bytes("").bytes(""));
        talk += frame(Kind::RTOpen, PayloadWriter().bytes("0B41").bytes("2024011244010101"));
        talk += frame(Kind::SetUIProperties, PayloadWriter());
        talk += frame(Kind::Cancel, PayloadWriter());
        talk += frame(Kind::Close, PayloadWriter());
        out.put("bridge_frames", talk);
        out.put("bridge_frames", talk.substr(0, talk.size() / 2));
        // The bridge's answers to it, as the window reads them.
        const auto answer = [](Kind k, const PayloadWriter& p) {
            return bridge::encodeFrame(static_cast<std::uint8_t>(static_cast<std::uint8_t>(k) | bridge::kAnswerBit), p.data());
        };
        std::string answers;
        answers += answer(Kind::Init, PayloadWriter().integer(0));
        answers += answer(Kind::Open, PayloadWriter().integer(0).integer(3).integer(2).bytes("20240112183000"));
        answers += answer(Kind::Status, PayloadWriter().integer(2));
        answers += answer(Kind::Gets, PayloadWriter().integer(4).bytes("RA1\r").bytes("file.nvd"));
        answers += answer(Kind::Cancel, PayloadWriter());
        answers += answer(Kind::Close, PayloadWriter().integer(0));
        out.put("bridge_answers", answers);
        out.put("bridge_answers", answers.substr(0, answers.size() - 7) + "HTTP/1.1");
    }
    std::printf("seed_corpus: %d seeds from %zu simulated races\n", out.count, races.size());
    return 0;
}
