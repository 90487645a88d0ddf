#pragma once
// Where the money of one race went in the last minutes: for every runner, its win and
// lower place odds at two snapshots of the race's win/place series (the O1 lines of its
// odds file) and how far the vote shares those odds imply moved in between.
//
//   A: the latest snapshot announced on the race day at or before T − W
//   B: the latest snapshot announced on the race day at or before T
//
// T is a clock time of the race day, W a window in minutes. Shares are estimated as the
// rest of the program estimates them: win 80 / odds, place 26.6 / lower place odds, in
// percent. A runner counts when its win odds are priced at both snapshots (not blank,
// not cancelled, not zero); its change is share(B) − share(A) in points. The place change
// counts on its own terms, when both lower place odds are priced.
//
// Snapshots announced before the race day (advance sale) are never chosen: they are a
// different market. Of two snapshots with the same announcement time the later line of
// the file is the latest, as the file orders them.
//
// The movers board builds its rows on this; so does every rule that asks whether money
// came in on a runner before a moment.

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/odds_field.h"

namespace tidemark::analytics {

inline constexpr int kShareHorses = 18;

// A clock time of the race day in minutes after midnight: 10:05 is 605. A time before
// midnight of the race day (a window reaching back over it) is negative.
constexpr int minuteOfDay(int hour, int minute) noexcept { return hour * 60 + minute; }

// One runner at one snapshot.
struct RunnerOdds {
    records::OddsField win;      // blank when there is no snapshot
    records::OddsField placeLow; // the lower place odds
    records::OddsField placeHigh; // the upper place odds (shown beside the lower, not converted)
    double winShare = 0.0;       // 80 / win odds in percent; 0 unless priced
    double placeShare = 0.0;     // 26.6 / lower place odds in percent; 0 unless priced

    // Odds above zero: the field holds digits other than zeros.
    bool winPriced() const noexcept { return win.kind() == records::OddsKind::Odds; }
    bool placePriced() const noexcept { return placeLow.kind() == records::OddsKind::Odds; }
};

struct RunnerShareChange {
    int horse = 0;
    RunnerOdds a;
    RunnerOdds b;
    bool counts = false;      // win odds priced at A and at B
    double winChange = 0.0;   // share(B) − share(A), points; 0 unless counts
    bool placeCounts = false; // lower place odds priced at A and at B
    double placeChange = 0.0; // the same for the place share; 0 unless placeCounts
};

struct RaceShareChange {
    static constexpr int kNone = -1;

    // Index of snapshot A and B in the series given; kNone when no snapshot of the race
    // day was announced by then.
    int snapshotA = kNone;
    int snapshotB = kNone;
    // Their announcement times, minutes after midnight of the race day; kNone without one.
    int minuteA = kNone;
    int minuteB = kNone;
    // Horse 1..18 in element 1..18; element 0 is unused. Every slot is filled, whether
    // or not a horse runs in it.
    std::array<RunnerShareChange, kShareHorses + 1> runners{};

    bool hasBoth() const noexcept { return snapshotA != kNone && snapshotB != kNone; }
    const RunnerShareChange& runner(int horse) const { return runners.at(static_cast<std::size_t>(horse)); }
    // The runners that count, by horse number.
    std::vector<const RunnerShareChange*> counted() const;
};

// series: the race's O1 lines in the order of its odds file (line ends removed), as the
// engine's readers give them (analysis::readOddsLineViews / readOddsLines). atMinute: T;
// windowMinutes: W (a window of 0 or less makes A the same snapshot as B).
RaceShareChange raceShareChange(std::span<const std::string_view> series, int atMinute, int windowMinutes);
RaceShareChange raceShareChange(const std::vector<std::string>& series, int atMinute, int windowMinutes);

// The latest snapshot of the race day announced at or before `atMinute`; kNone when none.
// The series may be O1 or O2 lines.
int latestSnapshotAt(std::span<const std::string_view> series, int atMinute);
// Minutes after midnight of an odds line announced on its race's day (O1 or O2); kNone
// for one of an earlier day or with a time that is no time of day.
int raceDayMinute(std::string_view oddsLine) noexcept;

} // namespace tidemark::analytics
