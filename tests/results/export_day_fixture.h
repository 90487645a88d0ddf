#pragma once
// A meeting day (2024-01-15) in a temporary program folder for the export tests, built
// with the record builders and stored by the store's own odds writer:
//
//   slot 0  大井 1R, 10 runners: snapshots 01/14 09:30 (advance sale, another day),
//           09:20, 09:31, 10:10; horse 3 cancelled before, horse 9 after the sale;
//           quinella at 09:31
//   slot 1  帯広ばんえい 2R, 8 runners: win odds only from 10:00 (after 09:30), place not
//           on sale, no quinella file
//   slot 2  大井 3R, 18 runners: snapshots 09:30 and 09:35, the widest odds of each kind
//   slot 3  大井 4R: no odds files at all
//   slot 4  大井 5R: odds on file, but not in the race list (listedRaces = 4)

#include <string>
#include <string_view>
#include <vector>

#include "records/record_builder.h"
#include "results/specific_time_export.h"
#include "store/record_store.h"
#include "store/store_layout.h"
#include "support/temp_dir.h"
#include "text/cp932.h"

namespace tidemark::results::testday {

using records::O1Builder;
using records::O2Builder;
using records::OddsField;
using records::RaBuilder;
using text::sj;

inline O1Builder o1(std::string_view track, int meeting, int day, int race, std::string_view announced)
{
    O1Builder b;
    b.date(2024, 1, 15).track(track).meeting(meeting).day(day).race(race).creationDate(2024, 1, 15);
    b.announcement(announced);
    return b;
}

inline O2Builder o2(std::string_view track, int meeting, int day, int race, std::string_view announced)
{
    O2Builder b;
    b.date(2024, 1, 15).track(track).meeting(meeting).day(day).race(race).creationDate(2024, 1, 15);
    b.announcement(announced);
    return b;
}

inline O1Builder onSaleO1(O1Builder b)
{
    b.winSale('7').placeSale('7').bracketSale('7');
    return b;
}

struct ExportDayFixture {
    testing::TempDir folder;
    store::StoreLayout layout{folder.path()};
    store::RecordStore store{layout};
    ExportDay day;

    ExportDayFixture()
    {
        layout.createFolders();
        day.slotRaceCards = {raceA(), raceB(), raceC(), raceD(), raceE()};
        day.listedRaces = 4;
        storeRaceA();
        storeRaceB();
        storeRaceC();
        storeRaceE();
    }

    static std::string raceA()
    {
        return RaBuilder()
            .date(2024, 1, 15).track("44").meeting(1).day(2).race(1)
            .shortRaceName(sj(" 冬　桜賞"))
            .runners(10).grade("A").raceKind("13").youngestCondition("005").weightRule("3")
            .course("24").distance(1200).startTime("1005")
            .line();
    }
    static std::string raceB()
    {
        return RaBuilder()
            .date(2024, 1, 15).track("83").meeting(3).day(4).race(2)
            .shortRaceName(sj("ばんえい記念"))
            .runners(8).grade("-").raceKind("01").youngestCondition("000").weightRule("6")
            .course("90").distance(200).startTime("1015")
            .line();
    }
    static std::string raceC()
    {
        return RaBuilder().date(2024, 1, 15).track("44").meeting(1).day(2).race(3).runners(18).startTime("1040").line();
    }
    static std::string raceD()
    {
        return RaBuilder().date(2024, 1, 15).track("44").meeting(1).day(2).race(4).runners(12).startTime("1110").line();
    }
    static std::string raceE()
    {
        return RaBuilder().date(2024, 1, 15).track("44").meeting(1).day(2).race(5).runners(12).startTime("1140").line();
    }

    void storeRaceA()
    {
        O1Builder advance = onSaleO1(o1("44", 1, 2, 1, "01140930")).creationDate(2024, 1, 14);
        advance.win(1, 9.9, 1).winVotes(1);
        O1Builder early = onSaleO1(o1("44", 1, 2, 1, "01150920"));
        early.win(1, 3.0, 1).winVotes(2);
        O1Builder chosen = onSaleO1(o1("44", 1, 2, 1, "01150931"));
        chosen.win(1, 2.3, 2).win(2, 5.0, 3).win(3, OddsField::cancelledBeforeSale())
            .win(4, 12.5, 5).win(5, OddsField::noVotes()).win(6, 99.9, 7).win(7, 1.5, 1)
            .win(8, 30.0, 6).win(9, OddsField::cancelledAfterSale()).win(10, 120.0, 8)
            .place(1, 1.1, 1.5, 1).place(2, 1.8, 3.0, 3)
            .place(3, OddsField::cancelledBeforeSale(), OddsField::cancelledBeforeSale())
            .bracketQuinella(2, 15.2, 4).bracketQuinella(9, 8.0, 2)
            .bracketQuinella(36, OddsField::cancelledAfterSale())
            .winVotes(123456).placeVotes(45678).bracketVotes(7890);
        O1Builder late = onSaleO1(o1("44", 1, 2, 1, "01151010"));
        late.win(1, 1.9, 1).winVotes(3);
        store.storeOdds(store::StoreKind::O1,
                        std::vector<std::string>{late.build(), chosen.build(), early.build(), advance.build()});

        O2Builder quinella = o2("44", 1, 2, 1, "01150931").quinellaSale('7');
        quinella.quinella(1, 12.3, 1).quinella(2, OddsField::cancelledBeforeSale()).quinellaVotes(98765);
        store.storeOdds(store::StoreKind::O2, std::vector<std::string>{quinella.build()});
    }

    void storeRaceB()
    {
        O1Builder first = o1("83", 3, 4, 2, "01151000").winSale('7').placeSale('1').bracketSale('7');
        first.win(1, 4.5, 2).win(2, 1.2, 1).bracketQuinella(8, 45.6, 1).winVotes(5000);
        O1Builder later = o1("83", 3, 4, 2, "01151100").winSale('7').placeSale('7').bracketSale('7');
        later.win(1, 6.0, 2);
        store.storeOdds(store::StoreKind::O1, std::vector<std::string>{first.build(), later.build()});
    }

    void storeRaceC()
    {
        O1Builder exact = onSaleO1(o1("44", 1, 2, 3, "01150930"));
        exact.win(1, 3.3, 1).win(18, 999.9, 18).bracketQuinella(36, 123.4, 36);
        O1Builder after = onSaleO1(o1("44", 1, 2, 3, "01150935"));
        after.win(1, 3.1, 1);
        store.storeOdds(store::StoreKind::O1, std::vector<std::string>{exact.build(), after.build()});
        O2Builder quinella = o2("44", 1, 2, 3, "01150930").quinellaSale('7');
        quinella.quinella(153, 12345.6, 153).quinella(1, 5.5, 1);
        store.storeOdds(store::StoreKind::O2, std::vector<std::string>{quinella.build()});
    }

    void storeRaceE()
    {
        O1Builder b = onSaleO1(o1("44", 1, 2, 5, "01150930"));
        b.win(1, 2.0, 1);
        store.storeOdds(store::StoreKind::O1, std::vector<std::string>{b.build()});
    }

    std::filesystem::path csv(std::string_view name) const { return layout.csvFolder() / std::string(name); }
};

// The cells of a CSV line written by the export (quotes stripped, split at `","`).
inline std::vector<std::string> cellsOf(std::string_view line)
{
    std::vector<std::string> cells;
    if (line.size() < 2)
        return cells;
    line = line.substr(1, line.size() - 2);
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = line.find("\",\"", start);
        if (at == std::string_view::npos) {
            cells.emplace_back(line.substr(start));
            return cells;
        }
        cells.emplace_back(line.substr(start, at - start));
        start = at + 3;
    }
}

// The lines of a written file (each ended by CR LF).
inline std::vector<std::string> linesOf(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = bytes.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(bytes.substr(start, at - start));
    return lines;
}

// n empty cells, each after a comma: `,""` n times.
inline std::string emptyCells(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += ",\"\"";
    return s;
}

} // namespace tidemark::results::testday
