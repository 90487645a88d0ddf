#include <gtest/gtest.h>

#include "analysis/odds_values.h"
#include "analysis/snapshot_series.h"
#include "analysis/race_store_fixture.h"

using namespace tidemark;
using namespace tidemark::analysis;
using tidemark::testing::o1At;
using tidemark::testing::o2At;
using tidemark::testing::raceCard;
using tidemark::testing::RaceStore;

namespace {

std::vector<std::string> times(const SnapshotList& list)
{
    std::vector<std::string> out;
    for (const std::string& s : list)
        out.emplace_back(announcementTime(s));
    return out;
}

SnapshotList o1Lines(std::initializer_list<const char*> mmddhhmm, const char* created = "20240115")
{
    SnapshotList l;
    for (const char* t : mmddhhmm)
        l.push_back(o1At(t, 1, created).line());
    return l;
}

} // namespace

TEST(OddsField, MarkersDigitsAndDamage)
{
    EXPECT_DOUBLE_EQ(parseOddsField("0035", 4), 3.5);
    EXPECT_DOUBLE_EQ(parseOddsField("01234", 5), 123.4);
    EXPECT_DOUBLE_EQ(parseOddsField("0000", 4), 0.0);
    EXPECT_DOUBLE_EQ(parseOddsField("    ", 4), kOddsBlank);
    EXPECT_DOUBLE_EQ(parseOddsField("----", 4), kOddsCancelled);
    EXPECT_DOUBLE_EQ(parseOddsField("******", 6), kOddsCancelled);
    // A marker that does not fill the field is damage, not a cancellation.
    EXPECT_DOUBLE_EQ(parseOddsField(" ----", 5), 0.0);
    EXPECT_EQ(classifyOddsField(" ----", 5), OddsFieldKind::Other);
    EXPECT_DOUBLE_EQ(parseOddsField("12a4", 4), 0.0);
    // A field cut off by a short line reads as blanks.
    EXPECT_DOUBLE_EQ(parseOddsField("", 4), kOddsBlank);
    EXPECT_EQ(classifyOddsField("*****", 5), OddsFieldKind::CancelledAfter);
    EXPECT_EQ(classifyOddsField("-----", 5), OddsFieldKind::CancelledBefore);
}

TEST(OddsField, VoteSharesUseTheFixedNumerators)
{
    EXPECT_DOUBLE_EQ(winShare(4.0), 20.0);
    EXPECT_DOUBLE_EQ(placeShare(2.0), 13.3); // 26.6, not 26.67
    EXPECT_DOUBLE_EQ(bracketShare(7.5), 10.0);
    EXPECT_DOUBLE_EQ(quinellaShare(15.0), 5.0);
    EXPECT_DOUBLE_EQ(pseudoQuinellaContribution(7.5), 5.0);
    EXPECT_DOUBLE_EQ(pseudoQuinellaOdds(40.0), 2.0);
    // No share without a price: zeros, cancellations, blanks.
    EXPECT_DOUBLE_EQ(winShare(0.0), 0.0);
    EXPECT_DOUBLE_EQ(winShare(kOddsCancelled), 0.0);
    EXPECT_DOUBLE_EQ(placeShare(kOddsBlank), 0.0);
    EXPECT_DOUBLE_EQ(pseudoQuinellaOdds(0.0), 0.0);
}

TEST(SnapshotText, TimeListTextAndKeyRoundTrip)
{
    const std::string s = o1At("01150935").line();
    EXPECT_EQ(timeListText(s), "01/15 09:35");
    EXPECT_EQ(momentKeyOfTimeText(timeListText(s)), "01150935");
    EXPECT_EQ(hourMinuteText(s), "09:35");
    // A short line gives what it has, never a read beyond it.
    EXPECT_EQ(timeListText("O10"), "/ :");
}

TEST(FirstDataCut, DropsEarlyFrontLinesButKeepsTheLast)
{
    SnapshotList l = o1Lines({"01150900", "01150920", "01150930", "01150945"});
    applyFirstDataCut(l, "0115", 930, CutCompare::AsNumber);
    EXPECT_EQ(times(l), (std::vector<std::string>{"01150930", "01150945"}));

    SnapshotList early = o1Lines({"01150800", "01150810", "01150820"});
    applyFirstDataCut(early, "0115", 930, CutCompare::AsNumber);
    EXPECT_EQ(times(early), (std::vector<std::string>{"01150820"}));

    // The day before counts as early: its month-day is smaller.
    SnapshotList before = o1Lines({"01141500", "01151000"});
    applyFirstDataCut(before, "0115", 930, CutCompare::AsText);
    EXPECT_EQ(times(before), (std::vector<std::string>{"01151000"}));

    // Only the front is cut: an early line behind a late one stays.
    SnapshotList mixed = o1Lines({"01151000", "01150800"});
    applyFirstDataCut(mixed, "0115", 930, CutCompare::AsNumber);
    EXPECT_EQ(mixed.size(), 2u);

    SnapshotList none;
    applyFirstDataCut(none, "0115", 930, CutCompare::AsNumber);
    EXPECT_TRUE(none.empty());
}

TEST(AdvanceSale, KeepsTheLastCreationDateFromTheFront)
{
    SnapshotList l = o1Lines({"01141600", "01141700"}, "20240114");
    for (const std::string& s : o1Lines({"01150900", "01151000"}, "20240115"))
        l.push_back(s);
    applyAdvanceSaleRule(l);
    EXPECT_EQ(times(l), (std::vector<std::string>{"01150900", "01151000"}));

    // Alternating dates: once a race-day line stands first, the rest stays as it is.
    SnapshotList alt;
    alt.push_back(o1At("01141600", 1, "20240114").line());
    alt.push_back(o1At("01150900", 1, "20240115").line());
    alt.push_back(o1At("01141700", 1, "20240114").line());
    alt.push_back(o1At("01151000", 1, "20240115").line());
    applyAdvanceSaleRule(alt);
    EXPECT_EQ(times(alt), (std::vector<std::string>{"01150900", "01141700", "01151000"}));
}

TEST(RaceSeries, OddsFilesOfTheRaceKey)
{
    RaceStore store;
    const std::string ra = raceCard(3).line();
    RaceOddsFiles f = raceOddsFiles(store.layout, ra);
    EXPECT_EQ(f.o1, store.o1File(3));
    EXPECT_EQ(f.o2, store.o2File(3));
    // A key that is not digits never becomes a path.
    EXPECT_FALSE(raceOddsFiles(store.layout, raceCard(3).set(22, "/.").line()).valid());
    EXPECT_FALSE(raceOddsFiles(store.layout, std::string(30, ' ')).valid());
}

TEST(RaceSeries, OpenAppliesCutAdvanceSaleAndChoice)
{
    RaceStore store;
    const std::string ra = raceCard(1, 12, "1040").line();
    store.writeLines(store.o1File(), {o1At("01141800", 1, "20240114").line(), o1At("01150900").line(),
                                      o1At("01151000").line(), o1At("01151010").line(), o1At("01151020").line(),
                                      o1At("01151030").line()});
    store.writeLines(store.o2File(), {o2At("01150900").line(), o2At("01151030").line()});

    SeriesOptions opt;
    opt.ignoreFirstTime = false;
    opt.firstTime = 930;
    SnapshotSeries s = openRaceSeries(raceOddsFiles(store.layout, ra), ra, "0115", opt);
    EXPECT_TRUE(s.o1FileFound);
    EXPECT_EQ(times(s.o1Snapshots),
              (std::vector<std::string>{"01151000", "01151010", "01151020", "01151030"}));
    EXPECT_EQ(times(s.chosenO1), (std::vector<std::string>{"01151010", "01151020", "01151030"}));
    EXPECT_EQ(times(s.o2Snapshots), (std::vector<std::string>{"01151030"}));
    EXPECT_EQ(times(s.chosenO2), (std::vector<std::string>{"01151030", "01151030", "01151030"}));

    // Without the cut the day before stays in the list but is never chosen by minutes.
    opt.ignoreFirstTime = true;
    s = openRaceSeries(raceOddsFiles(store.layout, ra), ra, "0115", opt);
    EXPECT_EQ(s.o1Snapshots.size(), 6u);
    EXPECT_EQ(times(s.chosenO1), (std::vector<std::string>{"01151010", "01151020", "01151030"}));
    // The advance-sale rule removes it.
    opt.timePoints.ignoreAdvanceSale = true;
    s = openRaceSeries(raceOddsFiles(store.layout, ra), ra, "0115", opt);
    EXPECT_EQ(s.o1Snapshots.size(), 5u);
}

TEST(RaceSeries, MissingEmptyAndDamagedFiles)
{
    RaceStore store;
    const std::string ra = raceCard(1).line();
    const RaceOddsFiles files = raceOddsFiles(store.layout, ra);
    SeriesOptions opt;
    SnapshotSeries s = openRaceSeries(files, ra, "0115", opt);
    EXPECT_FALSE(s.o1FileFound);
    EXPECT_FALSE(s.o2FileFound);
    EXPECT_TRUE(s.o1Snapshots.empty());

    store.write(files.o1, "");
    s = openRaceSeries(files, ra, "0115", opt);
    EXPECT_TRUE(s.o1FileFound);
    EXPECT_TRUE(s.o1Snapshots.empty());
    EXPECT_TRUE(s.chosenO1.empty());

    // Short lines, letters in the time field, no final line end: read as they stand.
    store.write(files.o1, "O10\r\n" + o1At("0115ab30").line() + "\r\n" + o1At("01151000").line());
    opt.ignoreFirstTime = false;
    s = openRaceSeries(files, ra, "0115", opt);
    EXPECT_EQ(times(s.o1Snapshots), (std::vector<std::string>{"01151000"}));
    EXPECT_EQ(s.chosenO1.size(), 3u);
}
