#pragma once
// The rows of the season tables, made from the records through the record views and
// handed to a sink one by one: a race card gives a row of `races`, its runners the rows
// of `runners`, its payout table the rows of `payouts`, and every announcement of its
// odds files one row per runner (`win_place`) or per pair (`bracket_quinella`,
// `quinella`). The odds lines given are a race's own (StoredDay::readOdds).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "analysis/day_table.h"
#include "analytics/season_reader.h"
#include "analytics/table_sink.h"
#include "records/odds_field.h"
#include "results/payout_table.h"
#include "text/date_time.h"

namespace tidemark::analytics {

// A record text for the tables: UTF-8, half- and full-width blanks trimmed at both ends,
// control bytes (which no name holds) left out.
std::string tableText(std::string_view cp932);

// "priced", "no_votes", "cancelled_before_sale", "cancelled_after_sale", "blank". A
// damaged field (which the store's writers never keep) counts as blank.
std::string_view statusName(records::OddsKind kind);

// "win", "place", "bracket_quinella", "quinella", "wide", "bracket_exacta", "exacta",
// "trio", "trifecta".
std::string_view ticketTypeName(records::PayoutKind kind);

// The snapshot (from 1) of the last of `lines` announced at or before the race's post;
// 0 when none was, or the race has no post time.
std::int64_t lastSnapshotBeforePost(const RaceFacts& race, std::span<const std::string_view> lines);

// What a race's records say of how it was run: cancelled (its runners' results say
// so), and each runner withdrawn or not, from which snapshot its win odds show it.
struct RaceStatus {
    bool cancelled = false;
    int starters = 0; // registered runners less the withdrawn ones; 0 when cancelled
    std::int64_t lastBeforePost = 0; // of the O1 series (lastSnapshotBeforePost)
    std::array<bool, analysis::kMaxHorses + 1> scratched{};         // by horse number
    std::array<std::int64_t, analysis::kMaxHorses + 1> scratchedSnapshot{}; // first snapshot showing it, 0 none
    std::array<std::optional<MinuteStamp>, analysis::kMaxHorses + 1> scratchedAt{}; // when that was announced

    static RaceStatus of(const analysis::RaceSlot& slot, const RaceFacts& race,
                         std::span<const std::string_view> o1Lines);
};

void writeRaceRow(const analysis::RaceSlot& slot, const RaceFacts& race, const RaceStatus& status, TableSink& sink);
// Runners 1..registered with a horse number, each horse once.
void writeRunnerRows(const analysis::RaceSlot& slot, const RaceFacts& race, const RaceStatus& status, TableSink& sink);
// The entries the results page shows, each kind and combination once; combinations
// "3-6", "1-2-3".
void writePayoutRows(const RaceFacts& race, const results::PayoutTable& payouts, TableSink& sink);
// One row per announcement and registered runner.
void writeWinPlaceRows(const RaceFacts& race, std::span<const std::string_view> o1Lines, TableSink& sink);
// One row per announcement and pair whose slot is not blank.
void writeBracketRows(const RaceFacts& race, std::span<const std::string_view> o1Lines, TableSink& sink);
void writeQuinellaRows(const RaceFacts& race, std::span<const std::string_view> o2Lines, TableSink& sink);

} // namespace tidemark::analytics
