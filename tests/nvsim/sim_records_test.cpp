#include "nvsim/sim_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "nvsim/odds_series.h"
#include "nvsim/sim_results.h"
#include "records/record_view.h"
#include "sim_test_support.h"
#include "text/number_format.h"

namespace tidemark::nvsim {
namespace {

using records::HrView;
using records::O1View;
using records::O2View;
using records::OddsField;
using records::PayoutKind;
using records::RaView;
using records::SeView;
using simtest::at;

// Exact length, CR LF at the end and nowhere else.
::testing::AssertionResult wellFormed(const std::string& rec, std::size_t length, std::string_view kind)
{
    if (rec.size() != length) {
        return ::testing::AssertionFailure() << kind << " length " << rec.size();
    }
    if (rec.substr(length - 2) != "\r\n") {
        return ::testing::AssertionFailure() << kind << " without CR LF";
    }
    if (rec.substr(0, length - 2).find_first_of("\r\n") != std::string::npos) {
        return ::testing::AssertionFailure() << kind << " with a line break inside";
    }
    if (rec.substr(0, 2) != kind) {
        return ::testing::AssertionFailure() << "kind " << rec.substr(0, 2);
    }
    for (std::size_t i = 11; i < 27; ++i) {
        if (rec[i] < '0' || rec[i] > '9') {
            return ::testing::AssertionFailure() << kind << " key byte " << i + 1 << " not a digit";
        }
    }
    return ::testing::AssertionSuccess();
}

std::string line(const std::string& rec)
{
    return rec.substr(0, rec.size() - 2);
}

// Popularity follows the odds: shorter odds never rank behind longer ones, equal odds share.
template <class Odds, class Pop>
void expectRanks(const std::vector<std::pair<Odds, Pop>>& entries, const std::string& where)
{
    for (const auto& [oa, pa] : entries) {
        for (const auto& [ob, pb] : entries) {
            if (oa < ob) {
                EXPECT_LT(pa, pb) << where;
            } else if (oa == ob) {
                EXPECT_EQ(pa, pb) << where;
            }
        }
    }
}

void checkO1(const SimRace& race, const std::string& rec)
{
    ASSERT_TRUE(wellFormed(rec, 962, "O1"));
    const std::string l = line(rec);
    const O1View v(l);
    EXPECT_EQ(v.raceKey(), race.key());
    EXPECT_EQ(l.substr(43, 2), "01");
    EXPECT_EQ(text::readInt(l.substr(35, 2)), race.runnerCount());
    std::vector<std::pair<std::int64_t, int>> win;
    std::vector<std::pair<std::int64_t, int>> place;
    std::vector<std::pair<std::int64_t, int>> bracket;
    double back = 0;
    bool noVotes = false;
    for (int h = 1; h <= 18; ++h) {
        const OddsField f = v.win(h);
        if (h > race.runnerCount()) {
            EXPECT_TRUE(f.isBlank()) << h;
            EXPECT_TRUE(v.placeLow(h).isBlank()) << h;
            continue;
        }
        EXPECT_FALSE(f.isBlank());
        EXPECT_NE(f.kind(), records::OddsKind::Unreadable);
        noVotes = noVotes || f.kind() == records::OddsKind::NoVotes;
        if (f.kind() == records::OddsKind::Odds) {
            win.push_back({f.tenths(), v.winPopularity(h)});
            back += 8.0 / static_cast<double>(f.tenths());
            const OddsField low = v.placeLow(h);
            if (low.kind() == records::OddsKind::Odds) {
                place.push_back({low.tenths(), v.placePopularity(h)});
                EXPECT_LE(low.tenths(), v.placeHigh(h).tenths());
                EXPECT_GE(low.tenths(), 10);
            } else {
                // Early in the sale a runner may have win votes and no place vote yet.
                EXPECT_EQ(low.kind(), records::OddsKind::NoVotes) << h;
                EXPECT_EQ(v.placePopularity(h), 0) << h;
            }
        }
    }
    expectRanks(win, race.key() + " win");
    expectRanks(place, race.key() + " place");
    if (!noVotes && !win.empty()) {
        // Odds are the pool's take-back over each horse's share, cut to tenths.
        EXPECT_GT(back, 0.97) << race.key();
        EXPECT_LT(back, 1.25) << race.key();
    }
    int starters = 0;
    for (const auto& r : race.runners) {
        starters += r.scratch != Scratch::BeforeSale;
    }
    const bool sold = starters > 8;
    EXPECT_EQ(v.bracketSaleFlag(), sold ? "7" : "0");
    for (int k = 1; k <= 36; ++k) {
        const OddsField f = v.bracketQuinella(k);
        if (!sold) {
            EXPECT_TRUE(f.isBlank());
        }
        if (f.kind() == records::OddsKind::Odds) {
            bracket.push_back({f.tenths(), v.bracketPopularity(k)});
        }
    }
    expectRanks(bracket, race.key() + " bracket");
}

void checkO2(const SimRace& race, const std::string& rec)
{
    ASSERT_TRUE(wellFormed(rec, 2042, "O2"));
    const std::string l = line(rec);
    const O2View v(l);
    EXPECT_EQ(v.raceKey(), race.key());
    EXPECT_EQ(l.substr(40, 4), "0102"); // the first slot names its pair
    std::vector<std::pair<std::int64_t, int>> q;
    int k = 0;
    for (int a = 1; a <= 17; ++a) {
        for (int b = a + 1; b <= 18; ++b) {
            const OddsField f = v.quinella(++k);
            if (b > race.runnerCount()) {
                EXPECT_TRUE(f.isBlank()) << a << "-" << b;
            } else {
                EXPECT_FALSE(f.isBlank()) << a << "-" << b;
            }
            if (f.kind() == records::OddsKind::Odds) {
                q.push_back({f.tenths(), v.quinellaPopularity(k)});
            }
        }
    }
    expectRanks(q, race.key() + " quinella");
}

TEST(SimRecords, CardsResultsAndPayoutsOfAWeekAgree)
{
    const SimWorld world(3, at(2024, 1, 1), at(2024, 12, 31));
    int races = 0;
    int deadHeats = 0;
    for (int d = 10; d <= 16; ++d) {
        for (const SimRace* race : world.racesOn(at(2024, 6, d))) {
            ++races;
            const OddsSeries series(*race);
            const OddsSnapshot closing = series.closing();
            const std::string ra = raRecord(*race, CardStage::Result, race->resultAt());
            ASSERT_TRUE(wellFormed(ra, 1272, "RA"));
            const std::string ral = line(ra);
            const RaView rv(ral);
            EXPECT_EQ(rv.raceKey(), race->key());
            EXPECT_EQ(rv.runnerCount(), race->runnerCount());
            EXPECT_EQ(rv.startTimeNumber(), race->postTime);
            EXPECT_EQ(rv.dataKind(), race->cancelled ? "9" : "7");
            if (race->banei()) {
                EXPECT_EQ(rv.courseCode(), "90");
                EXPECT_EQ(rv.moistureTenths(), race->moisture);
                EXPECT_EQ(rv.distance(), 200);
            } else {
                EXPECT_GE(rv.distance(), 800);
            }
            std::vector<int> winners;
            std::vector<int> top2;
            for (const auto& r : race->runners) {
                const std::string se = seRecord(*race, r, CardStage::Result, race->resultAt(), &closing);
                ASSERT_TRUE(wellFormed(se, 555, "SE"));
                const std::string sel = line(se);
                const SeView sv(sel);
                EXPECT_EQ(sv.raceKey(), race->key());
                EXPECT_EQ(sv.horseNumber(), r.number);
                EXPECT_EQ(sv.bracket(), bracketOf(race->runnerCount(), r.number));
                EXPECT_EQ(sv.finishPosition(), r.finish);
                if (race->banei()) {
                    EXPECT_EQ(sv.baneiWeight(), r.weight);
                } else {
                    EXPECT_EQ(sv.weightTenths(), r.weight);
                }
                if (r.finish == 1) {
                    winners.push_back(r.number);
                    EXPECT_EQ(sv.finalWinOddsTenths(), closing.win[static_cast<std::size_t>(r.number - 1)]);
                }
                if (r.finish >= 1 && r.finish <= 2) {
                    top2.push_back(r.number);
                }
            }
            deadHeats += winners.size() > 1 || top2.size() > 2;
            const std::string hr = hrRecord(*race, closing, race->resultAt(), false);
            ASSERT_TRUE(wellFormed(hr, 719, "HR"));
            const std::string hrl = line(hr);
            const HrView hv(hrl);
            EXPECT_EQ(hv.raceKey(), race->key());
            // Every payout entry, used or not, is digits.
            for (const auto kind : records::kPayoutKinds) {
                const auto layout = records::payoutLayout(kind);
                const std::string entries = hrl.substr(layout.firstPos - 1, layout.stride * static_cast<std::size_t>(layout.slots));
                EXPECT_EQ(entries.find_first_not_of("0123456789"), std::string::npos) << race->key();
            }
            const auto win = hv.payouts(PayoutKind::Win);
            if (race->cancelled) {
                EXPECT_TRUE(hv.payouts().empty());
                continue;
            }
            ASSERT_EQ(win.size(), winners.size()) << race->key();
            if (winners.size() == 1) {
                // The win payout is the closing win odds, and its popularity the closing rank.
                const auto i = static_cast<std::size_t>(winners[0] - 1);
                EXPECT_EQ(win[0].numbers[0], winners[0]);
                EXPECT_EQ(win[0].amount, std::max(100, closing.win[i] * 10));
                EXPECT_EQ(win[0].popularity, closing.winPop[i]);
            }
            if (top2.size() == 2) {
                std::sort(top2.begin(), top2.end());
                const auto q = hv.payouts(PayoutKind::Quinella);
                ASSERT_EQ(q.size(), 1u);
                EXPECT_EQ(q[0].numbers[0], top2[0]);
                EXPECT_EQ(q[0].numbers[1], top2[1]);
                const auto slot = static_cast<std::size_t>(quinellaPairSlot(top2[0], top2[1]));
                EXPECT_EQ(q[0].amount, std::max(100, closing.quinella[slot] * 10));
                EXPECT_EQ(q[0].popularity, closing.quinellaPop[slot]);
                // A dead heat for the win pays both orders.
                EXPECT_EQ(hv.payouts(PayoutKind::Exacta).size(), winners.size() == 1 ? 1u : 2u);
            }
            const auto place = hv.payouts(PayoutKind::Place);
            EXPECT_GE(place.size(), static_cast<std::size_t>(closing.placesPaid));
            for (const auto& p : place) {
                const auto i = static_cast<std::size_t>(p.numbers[0] - 1);
                // A place payout lies within the range the closing place odds announced
                // (a dead heat for the last place splits the pool further).
                if (place.size() == static_cast<std::size_t>(closing.placesPaid)) {
                    EXPECT_GE(p.amount, closing.placeLow[i] * 10) << race->key();
                    EXPECT_LE(p.amount, closing.placeHigh[i] * 10) << race->key();
                }
            }
            EXPECT_EQ(hv.payouts(PayoutKind::BracketQuinella).empty(), !closing.bracketSold);
            EXPECT_GE(hv.payouts(PayoutKind::Wide).size(), 3u);
            EXPECT_FALSE(hv.payouts(PayoutKind::Trio).empty());
            EXPECT_FALSE(hv.payouts(PayoutKind::Trifecta).empty());
        }
    }
    EXPECT_GT(races, 150);
    EXPECT_GT(deadHeats, 0); // a week of racing has its dead heat
}

TEST(SimRecords, OddsSeriesOfARaceDay)
{
    const SimWorld world(3, at(2024, 1, 1), at(2024, 12, 31));
    for (const SimRace* race : world.racesOn(at(2024, 6, 12))) {
        const OddsSeries series(*race);
        const auto& entries = series.entries();
        ASSERT_GE(entries.size(), 10u);
        EXPECT_EQ(entries.back().at, race->cancelled ? race->cancelAt : race->postAt());
        EXPECT_EQ(entries.back().dataKind, race->cancelled ? '9' : '3');
        std::int64_t lastTotal = 0;
        SimMinute lastAt = 0;
        bool scratchedNow = false;
        for (std::size_t i = 0; i < entries.size(); i += 7) {
            const OddsSnapshot s = series.snapshot(i);
            EXPECT_GE(s.at, lastAt);
            const std::string o1 = o1Record(*race, s);
            const std::string o2 = o2Record(*race, s);
            checkO1(*race, o1);
            checkO2(*race, o2);
            const std::string l = line(o1);
            const O1View v(l);
            const text::DateTime t = fromSimMinute(s.at);
            EXPECT_EQ(v.announcementHour(), t.hour);
            EXPECT_EQ(v.announcementMinute(), t.minute);
            EXPECT_EQ(v.creationDate(), text::formatDateTime("yyyymmdd", t));
            bool scratched = false;
            for (int h = 1; h <= race->runnerCount(); ++h) {
                const auto& r = race->runners[static_cast<std::size_t>(h - 1)];
                const OddsField f = v.win(h);
                if (r.scratch == Scratch::BeforeSale) {
                    EXPECT_EQ(f.kind(), records::OddsKind::CancelledBeforeSale);
                    EXPECT_EQ(v.winField(h), "----");
                } else if (r.scratch == Scratch::AfterSale && s.at >= r.scratchAt) {
                    EXPECT_EQ(v.winField(h), "****");
                    scratched = true;
                } else {
                    EXPECT_TRUE(f.hasNumber());
                }
            }
            // Pools only grow, except when a late withdrawal is refunded.
            if (!scratched || scratchedNow) {
                EXPECT_GE(v.winVotes(), lastTotal) << race->key();
            }
            scratchedNow = scratched;
            lastTotal = v.winVotes();
            lastAt = s.at;
        }
    }
}

TEST(SimRecords, EntriesCardHasNoGatesYet)
{
    const SimWorld world(3, at(2024, 1, 1), at(2024, 12, 31));
    const SimRace* race = world.racesOn(at(2024, 6, 12)).front();
    const std::string se = seRecord(*race, race->runners.front(), CardStage::Entries, race->entriesAt(), nullptr);
    ASSERT_TRUE(wellFormed(se, 555, "SE"));
    EXPECT_EQ(se.substr(27, 3), "000");
    EXPECT_EQ(se.substr(2, 1), "1");
    const std::string drawn = seRecord(*race, race->runners.front(), CardStage::Drawn, race->drawAt(), nullptr);
    EXPECT_EQ(drawn.substr(28, 2), "01");
}

TEST(SimRecords, BaneiRecordsCarryHexadecimalWeightsAndMoisture)
{
    const SimWorld world(3, at(2024, 1, 1), at(2024, 12, 31));
    const SimRace* banei = nullptr;
    for (const SimRace* r : world.racesOn(at(2024, 6, 15))) { // a Saturday at Obihiro
        if (r->banei()) {
            banei = r;
            break;
        }
    }
    ASSERT_NE(banei, nullptr);
    const std::string ra = line(raRecord(*banei, CardStage::Drawn, banei->drawAt()));
    const RaView rv(ra);
    EXPECT_TRUE(rv.isBanei());
    EXPECT_EQ(rv.courseCode(), "90");
    EXPECT_NEAR(rv.moisture(), banei->moisture / 10.0, 1e-9);
    for (const auto& r : banei->runners) {
        const std::string se = line(seRecord(*banei, r, CardStage::Drawn, banei->drawAt(), nullptr));
        const SeView sv(se);
        EXPECT_GE(sv.baneiWeight(), 480);
        EXPECT_LE(sv.baneiWeight(), 1000);
        EXPECT_EQ(sv.weightField().find_first_not_of("0123456789ABCDEF"), std::string_view::npos);
    }
}

TEST(SimRecords, PoolOddsRule)
{
    // 10 000 votes, 2 500 on the horse, 80 % paid back: 3.2.
    EXPECT_EQ(poolTenths(10000, 8, 10, 2500, 1, 2500), 32);
    // Never below 1.0, and a horse without votes has no odds.
    EXPECT_EQ(poolTenths(100, 8, 10, 99, 1, 99), 10);
    EXPECT_EQ(poolTenths(100, 8, 10, 0, 1, 0), 0);
    // Pair slots follow the pair numbering.
    EXPECT_EQ(bracketPairSlot(2, 2), 8);
    EXPECT_EQ(bracketPairSlot(7, 8), 34);
    EXPECT_EQ(quinellaPairSlot(1, 18), 16);
    EXPECT_EQ(quinellaPairSlot(2, 3), 17);
    EXPECT_EQ(quinellaPairSlot(17, 18), 152);
}

} // namespace
} // namespace tidemark::nvsim
