#pragma once
// The rows of the season tables, made from the records through the record views and
// handed to a sink one by one: a race card gives a row of `races`, its runners the rows
// of `runners`, its payout table the rows of `payouts`, and every announcement of its
// odds files one row per runner (`win_place`) or per pair (`bracket_quinella`,
// `quinella`).

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

// A record text for the tables: UTF-8, half- and full-width blanks trimmed at both ends.
std::string tableText(std::string_view cp932);

// "priced", "no_votes", "cancelled_before_sale", "cancelled_after_sale", "blank". A
// damaged field (which the store's writers never keep) counts as blank.
std::string_view statusName(records::OddsKind kind);

// "win", "place", "bracket_quinella", "quinella", "wide", "bracket_exacta", "exacta",
// "trio", "trifecta".
std::string_view ticketTypeName(records::PayoutKind kind);

void writeRaceRow(std::string_view raRecord, TableSink& sink);
// Runners 1..registered with a horse number.
void writeRunnerRows(const analysis::RaceSlot& slot, const RaceFacts& race, TableSink& sink);
// The entries the results page shows; combinations "3-6", "1-2-3".
void writePayoutRows(const RaceFacts& race, const results::PayoutTable& payouts, TableSink& sink);
// One row per announcement and registered runner.
void writeWinPlaceRows(const RaceFacts& race, std::span<const std::string_view> o1Lines, TableSink& sink);
// One row per announcement and pair whose slot is not blank.
void writeBracketRows(const RaceFacts& race, std::span<const std::string_view> o1Lines, TableSink& sink);
void writeQuinellaRows(const RaceFacts& race, std::span<const std::string_view> o2Lines, TableSink& sink);

} // namespace tidemark::analytics
