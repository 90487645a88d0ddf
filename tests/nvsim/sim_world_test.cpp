#include "nvsim/sim_world.h"

#include <gtest/gtest.h>

#include <set>

#include "nvsim/odds_series.h"
#include "nvsim/sim_records.h"
#include "sim_test_support.h"

namespace tidemark::nvsim {
namespace {

using simtest::at;

TEST(SimWorld, BracketRuleOfEveryFieldSize)
{
    const std::vector<int> twelve = {1, 2, 3, 4, 5, 5, 6, 6, 7, 7, 8, 8};
    for (int h = 1; h <= 12; ++h) {
        EXPECT_EQ(bracketOf(12, h), twelve[static_cast<std::size_t>(h - 1)]) << h;
    }
    for (int h = 1; h <= 16; ++h) {
        EXPECT_EQ(bracketOf(16, h), (h + 1) / 2) << h;
    }
    for (int h = 1; h <= 8; ++h) {
        EXPECT_EQ(bracketOf(8, h), h);
    }
    EXPECT_EQ(bracketOf(9, 8), 8);
    EXPECT_EQ(bracketOf(9, 9), 8);
    EXPECT_EQ(bracketOf(9, 7), 7);
    EXPECT_EQ(bracketOf(17, 14), 7);
    EXPECT_EQ(bracketOf(17, 15), 8);
    EXPECT_EQ(bracketOf(17, 17), 8);
    EXPECT_EQ(bracketOf(18, 12), 6);
    EXPECT_EQ(bracketOf(18, 13), 7);
    EXPECT_EQ(bracketOf(18, 15), 7);
    EXPECT_EQ(bracketOf(18, 16), 8);
}

TEST(SimWorld, MonthOfMeetingsLooksLikeLocalRacing)
{
    const SimWorld world(11, at(2024, 1, 1), at(2024, 12, 31));
    const std::set<std::string> localTracks = {"30", "35", "36", "42", "43", "44", "45", "46", "47",
                                               "48", "50", "51", "54", "55", "83"};
    std::set<std::string> keys;
    int baneiDays = 0;
    int smallFields = 0;
    int scratched = 0;
    int advance = 0;
    for (int d = 1; d <= 30; ++d) {
        const auto meetings = world.meetingsOn(at(2024, 6, d));
        EXPECT_GE(meetings.size(), 2u) << d;
        EXPECT_LE(meetings.size(), 8u) << d; // the store's day table holds 96 races
        for (const auto& m : meetings) {
            EXPECT_TRUE(localTracks.contains(m.track)) << m.track;
            EXPECT_GE(m.meeting, 1);
            EXPECT_GE(m.dayOfMeeting, 1);
            baneiDays += m.track == "83";
            const auto& races = world.races(m);
            EXPECT_GE(races.size(), 8u);
            EXPECT_LE(races.size(), 12u);
            int lastPost = 0;
            for (const auto& r : races) {
                EXPECT_TRUE(keys.insert(r.key()).second) << r.key();
                EXPECT_EQ(r.key().size(), 16u);
                EXPECT_GT(r.postTime, lastPost) << r.key();
                EXPECT_LT(r.postTime, 2200);
                lastPost = r.postTime;
                EXPECT_GE(r.runnerCount(), 5);
                EXPECT_LE(r.runnerCount(), r.banei() ? 10 : 18);
                smallFields += r.runnerCount() <= 8;
                advance += r.advanceSale;
                EXPECT_LT(r.saleStart, r.postAt());
                int running = 0;
                std::set<int> finishes;
                std::set<std::string> names;
                for (const auto& h : r.runners) {
                    EXPECT_EQ(h.bracket, bracketOf(r.runnerCount(), h.number));
                    EXPECT_FALSE(h.name.empty());
                    EXPECT_TRUE(names.insert(h.name).second) << r.key();
                    EXPECT_LE(h.name.size(), 18u);
                    EXPECT_EQ(h.trainer.size(), 8u);
                    EXPECT_EQ(h.jockey.size(), 8u);
                    scratched += h.scratch != Scratch::None;
                    running += h.scratch == Scratch::None;
                    if (h.finish > 0) {
                        finishes.insert(h.finish);
                        EXPECT_EQ(h.scratch, Scratch::None);
                    }
                }
                EXPECT_GE(running, 5);
                if (!r.cancelled) {
                    EXPECT_TRUE(finishes.contains(1)) << r.key();
                }
            }
        }
    }
    EXPECT_GE(baneiDays, 8); // three days a week at Obihiro
    EXPECT_GT(smallFields, 0);
    EXPECT_GT(scratched, 0);
    EXPECT_GT(advance, 0);
}

TEST(SimWorld, AYearHasItsBigFieldsAndCancelledRaces)
{
    const SimWorld world(11, at(2024, 1, 1), at(2024, 12, 31));
    int seventeen = 0;
    int eighteen = 0;
    int cancelled = 0;
    int races = 0;
    for (int d = 0; d < 366; ++d) {
        for (const SimRace* r : world.racesOn(at(2024, 1, 1).addDays(d))) {
            ++races;
            seventeen += r->runnerCount() == 17;
            eighteen += r->runnerCount() == 18;
            if (r->cancelled) {
                ++cancelled;
                EXPECT_LT(r->cancelAt, r->postAt());
                EXPECT_GT(r->cancelAt, r->saleStart);
            }
        }
    }
    EXPECT_GT(races, 12000);
    EXPECT_GT(seventeen, 0);
    EXPECT_GT(eighteen, 0);
    EXPECT_GT(cancelled, 0);
    EXPECT_LT(cancelled, races / 50);
}

TEST(SimWorld, SameSeedSameDaySameRecords)
{
    const SimWorld a(5, at(2024, 1, 1), at(2024, 12, 31));
    const SimWorld b(5, at(2024, 6, 1), at(2024, 6, 30)); // the window does not change a day
    const SimWorld other(6, at(2024, 1, 1), at(2024, 12, 31));
    const auto ra = a.racesOn(at(2024, 6, 12));
    const auto rb = b.racesOn(at(2024, 6, 12));
    const auto ro = other.racesOn(at(2024, 6, 12));
    ASSERT_EQ(ra.size(), rb.size());
    ASSERT_FALSE(ra.empty());
    bool anyDifference = ra.size() != ro.size();
    for (std::size_t i = 0; i < ra.size(); ++i) {
        const SimMinute t = ra[i]->resultAt();
        EXPECT_EQ(raRecord(*ra[i], CardStage::Result, t), raRecord(*rb[i], CardStage::Result, t));
        const OddsSeries sa(*ra[i]);
        const OddsSeries sb(*rb[i]);
        ASSERT_EQ(sa.entries().size(), sb.entries().size());
        const std::size_t mid = sa.entries().size() / 2;
        EXPECT_EQ(o1Record(*ra[i], sa.snapshot(mid)), o1Record(*rb[i], sb.snapshot(mid)));
        EXPECT_EQ(o2Record(*ra[i], sa.snapshot(mid)), o2Record(*rb[i], sb.snapshot(mid)));
        EXPECT_EQ(hrRecord(*ra[i], sa.closing(), t, false), hrRecord(*rb[i], sb.closing(), t, false));
        if (i < ro.size()) {
            anyDifference = anyDifference || raRecord(*ra[i], CardStage::Result, t) != raRecord(*ro[i], CardStage::Result, t);
        }
    }
    EXPECT_TRUE(anyDifference);
}

TEST(SimWorld, OutsideTheWindowNothingRaces)
{
    const SimWorld world(5, at(2024, 6, 1), at(2024, 6, 30));
    EXPECT_TRUE(world.meetingsOn(at(2024, 5, 31)).empty());
    EXPECT_TRUE(world.meetingsOn(at(2024, 7, 1)).empty());
    EXPECT_FALSE(world.meetingsOn(at(2024, 6, 30)).empty());
    EXPECT_EQ(world.findRace("2024070144010101"), nullptr);
    EXPECT_EQ(world.findRace("garbage"), nullptr);
    const auto races = world.racesOn(at(2024, 6, 12));
    ASSERT_FALSE(races.empty());
    EXPECT_EQ(world.findRace(races.back()->key()), races.back());
}

} // namespace
} // namespace tidemark::nvsim
