#pragma once
// A small season in a temporary program folder, written by the store's own writers from
// records made with the builders:
//
//   2024-01-01  大井 (44) 1R, 10 runners, post 10:15: five announcements, the first of
//               them an advance sale on 2023-12-31 20:00; horse 2 cancelled before the
//               sale, horse 9 after it (from 10:10), horse 10 without votes at 09:30;
//               quinella odds at 10:10; payouts of all nine kinds
//               大井 2R, 8 runners: race card and runners only (no odds, no payouts);
//               cancelled (its runners' records carry data kind 9)
//   2024-01-02  川崎 (45) 1R, 8 runners, post 15:00: announcements at 14:40 and 14:55
//               (horse h at 1.5 h, horse 5 falling from 7.5 to 4.0 in between) and at
//               15:00, after any bet moment, when horse 8 is suddenly the favourite at
//               1.1; horse 1 won
//   2024-01-05  川崎 1R: a race card only (outside the ranges the tests export)
//
// Tests read the expected values back from the same records through the record views.

#include <string>
#include <vector>

#include "records/record_builder.h"
#include "store/record_store.h"
#include "store/store_layout.h"
#include "support/temp_dir.h"
#include "text/cp932.h"

namespace tidemark::testing {

using records::O1Builder;
using records::O2Builder;
using records::OddsField;

class SeasonStore {
public:
    TempDir dir;
    store::StoreLayout layout{dir.path()};
    store::RecordStore store{layout};

    SeasonStore()
    {
        layout.createFolders();
        store::StoreBatch batch(store); // the day files written once each
        day1();
        day2();
        day5();
        batch.commit();
    }

    static records::RaBuilder card(int day, std::string_view track, int race, int runners, std::string_view post)
    {
        records::RaBuilder b;
        b.date(2024, 1, day).track(track).meeting(3).day(day).race(race).runners(runners).startTime(post);
        b.raceName(text::sj("テスト記念")).distance(1200).course("24").weekday("1");
        b.grade("E").raceKind("11").raceSymbol("N1A").weightRule("3").youngestCondition("701");
        b.conditionName(text::sj("Ｃ１")).dirtCondition("2");
        return b;
    }

    static records::SeBuilder runner(int day, std::string_view track, int race, int horse)
    {
        records::SeBuilder b;
        b.date(2024, 1, day).track(track).meeting(3).day(day).race(race).horse(horse).bracket(horse <= 8 ? horse : 8);
        // Horse 4's name needs quoting in a CSV file; horse 1's is padded with full-width
        // blanks, as the service pads names.
        b.horseName(horse == 4 ? text::sj("テスト\"4\",改")
                               : text::sj("テストホース") + std::to_string(horse) + (horse == 1 ? text::sj("　　") : ""));
        b.jockey(text::sj("騎手")).trainer(text::sj("調教師"));
        b.weightTenths(540 + horse).sex(horse % 2 ? "1" : "2").age(2);
        return b;
    }

    static O1Builder o1(int day, std::string_view track, int race, std::string_view created, std::string_view at)
    {
        O1Builder b;
        b.date(2024, 1, day).track(track).meeting(3).day(day).race(race).creationDate(created).announcement(at);
        return b;
    }

    // 大井 1R of 2024-01-01: the odds of horse h at announcement n (0..4).
    static double winOdds(int n, int h) { return 2.0 + h + 0.5 * n; }

    // Stores one race's O1 announcements (and O2 when given), replacing its files.
    void storeOdds(const std::vector<std::string>& o1, const std::vector<std::string>& o2 = {})
    {
        store.storeOdds(store::StoreKind::O1, o1);
        if (!o2.empty())
            store.storeOdds(store::StoreKind::O2, o2);
    }

    // The five announcements of 大井 1R; `count` of them (from the first) when fewer.
    std::vector<std::string> race1Announcements(int count = 5) const
    {
        const std::string_view times[] = {"12312000", "01010930", "01011000", "01011010", "01011015"};
        std::vector<std::string> lines;
        for (int n = 0; n < count; ++n) {
            O1Builder b = o1(1, "44", 1, n == 0 ? "20231231" : "20240101", times[n]);
            b.winSale('7').placeSale('7').bracketSale('7');
            for (int h = 1; h <= 10; ++h) {
                if (h == 2) {
                    b.win(h, OddsField::cancelledBeforeSale());
                    b.place(h, OddsField::cancelledBeforeSale(), OddsField::cancelledBeforeSale());
                } else if (h == 9 && n >= 3) {
                    b.win(h, OddsField::cancelledAfterSale());
                    b.place(h, OddsField::cancelledAfterSale(), OddsField::cancelledAfterSale());
                } else if (h == 10 && n == 1) {
                    b.win(h, OddsField::noVotes());
                    b.place(h, OddsField::noVotes(), OddsField::noVotes());
                } else {
                    b.win(h, winOdds(n, h), h);
                    b.place(h, 1.0 + 0.1 * h, 1.5 + 0.1 * h, h);
                }
            }
            b.bracketQuinella(1, 5.5 + n, 1).bracketQuinella(2, 15.0, 2).bracketQuinella(20, 88.8, 20);
            b.winVotes(1000 * (n + 1)).placeVotes(500 * (n + 1)).bracketVotes(300 * (n + 1));
            lines.push_back(b.build());
        }
        return lines;
    }

    void day1()
    {
        store.storeRa(card(1, "44", 1, 10, "1015").build(), store::Origin::Import);
        store.storeRa(card(1, "44", 2, 8, "1050").build(), store::Origin::Import);
        for (int h = 1; h <= 10; ++h) {
            records::SeBuilder se = runner(1, "44", 1, h);
            const int finish[] = {0, 4, 0, 1, 5, 2, 6, 3, 7, 0, 8};
            se.finishPosition(finish[h]);
            if (h == 9)
                se.finalWinOdds(OddsField::cancelledAfterSale());
            else if (h != 2)
                se.finalWinOdds(winOdds(4, h)).finalWinPopularity(h);
            store.storeSe(se.build(), store::Origin::Import);
        }
        for (int h = 1; h <= 8; ++h)
            store.storeSe(runner(1, "44", 2, h).set(3, "9").build(), store::Origin::Import);

        records::HrBuilder hr;
        hr.date(2024, 1, 1).track("44").meeting(3).day(1).race(1);
        hr.win(1, 3, 650, 2).place(1, 3, 210, 2).place(2, 5, 330, 4).place(3, 7, 520, 6);
        hr.bracketQuinella(1, 3, 5, 1230, 5).quinella(1, 3, 5, 1580, 6).wide(1, 3, 5, 480, 5);
        hr.bracketExacta(1, 3, 5, 2210, 8).exacta(1, 3, 5, 2990, 9).trio(1, 3, 5, 7, 4560, 12);
        hr.trifecta(1, 3, 5, 7, 20120, 44);
        store.storeHr(hr.build(), store::Origin::Import);

        O2Builder q;
        q.date(2024, 1, 1).track("44").meeting(3).day(1).race(1).creationDate("20240101").announcement("01011010");
        q.quinella(1, 12.3, 3).quinella(2, OddsField::cancelledBeforeSale()).quinella(9, 456.7, 40).quinellaVotes(777);
        storeOdds(race1Announcements(), {q.build()});
    }

    void day2()
    {
        store.storeRa(card(2, "45", 1, 8, "1500").build(), store::Origin::Import);
        for (int h = 1; h <= 8; ++h) {
            records::SeBuilder se = runner(2, "45", 1, h);
            se.finishPosition(h).finalWinOdds(1.5 * h).finalWinPopularity(h);
            store.storeSe(se.build(), store::Origin::Import);
        }
        records::HrBuilder hr;
        hr.date(2024, 1, 2).track("45").meeting(3).day(2).race(1);
        hr.win(1, 1, 150, 1).place(1, 1, 110, 1).place(2, 2, 130, 2);
        store.storeHr(hr.build(), store::Origin::Import);
        std::vector<std::string> lines;
        for (const char* at : {"01021440", "01021455", "01021500"}) {
            O1Builder b = o1(2, "45", 1, "20240102", at);
            for (int h = 1; h <= 8; ++h)
                b.win(h, 1.5 * h, h).place(h, 1.1, 1.3, h);
            if (std::string_view(at) == "01021440")
                b.win(5, 7.5, 5);
            else
                b.win(5, 4.0, 3);
            if (std::string_view(at) == "01021500")
                b.win(8, 1.1, 1);
            lines.push_back(b.build());
        }
        storeOdds(lines);
    }

    void day5() { store.storeRa(card(5, "45", 1, 8, "1500").build(), store::Origin::Import); }
};

} // namespace tidemark::testing
