#include "analytics/season_table.h"

#include <algorithm>

namespace tidemark::analytics {

namespace {

using enum ColumnType;
using Names = std::span<const std::string_view>;

// A race card: its key and place, then the card as the window shows it, each code
// beside its text (the window's own code tables).
constexpr Column kRaceColumns[] = {
    {"race_key", Text},         {"day", Date},               {"track_code", Text},      {"track_name", Text},
    {"meeting", Integer},       {"day_number", Integer},     {"race_number", Integer},  {"race_name", Text},
    {"post_time", Text},        {"post_at", Timestamp},      {"distance", Integer},     {"course_code", Text},
    {"course", Text},           {"runners", Integer},        {"starters", Integer},     {"cancelled", Flag},
    {"weekday_code", Text},     {"weekday", Text},           {"grade_code", Text},      {"grade", Text},
    {"edition", Integer},       {"race_kind_code", Text},    {"race_kind", Text},       {"race_symbol_code", Text},
    {"race_symbol", Text},      {"condition_code", Text},    {"condition_class", Text}, {"condition_name", Text},
    {"weight_rule_code", Text}, {"weight_rule", Text},       {"turf_going_code", Text}, {"turf_going", Text},
    {"dirt_going_code", Text},  {"dirt_going", Text},        {"moisture", Real},
};
constexpr std::string_view kRaceKey[] = {"race_key"};
constexpr std::string_view kRaceDayIndex[] = {"day"};
constexpr Names kRaceIndexes[] = {kRaceDayIndex};
constexpr std::string_view kRaceFirstVersion[] = {"race_key",  "day",       "track_code", "track_name",
                                                  "meeting",   "day_number", "race_number", "race_name",
                                                  "post_time", "distance",  "course_code", "runners"};

constexpr Column kRunnerColumns[] = {
    {"race_key", Text},          {"horse", Integer},         {"bracket", Integer},
    {"horse_name", Text},        {"sex_code", Text},         {"sex", Text},
    {"age", Integer},            {"jockey", Text},           {"trainer", Text},
    {"weight_carried", Real},    {"finish_position", Integer}, {"final_win_odds", Odds},
    {"final_win_popularity", Integer}, {"scratched", Flag},  {"scratched_snapshot", Integer},
    {"scratched_at", Timestamp},
};
constexpr std::string_view kRunnerKey[] = {"race_key", "horse"};
constexpr std::string_view kRunnerFirstVersion[] = {"race_key",       "horse",           "bracket",
                                                    "horse_name",     "jockey",          "trainer",
                                                    "weight_carried", "finish_position", "final_win_odds",
                                                    "final_win_popularity"};

// The snapshot's position in its race's series tells two announcements of the same
// minute apart.
constexpr Column kWinPlaceColumns[] = {
    {"race_key", Text},         {"snapshot", Integer},        {"announced_at", Timestamp}, {"minutes_to_post", Integer},
    {"is_last", Flag},          {"horse", Integer},           {"win_odds", Odds},          {"win_popularity", Integer},
    {"win_status", Text},       {"win_share", Real},          {"place_low", Odds},         {"place_high", Odds},
    {"place_popularity", Integer}, {"place_status", Text},    {"place_share", Real},       {"win_total", Integer},
    {"place_total", Integer},   {"bracket_total", Integer},   {"win_sale", Text},          {"place_sale", Text},
};
constexpr std::string_view kWinPlaceKey[] = {"race_key", "snapshot", "horse"};
constexpr std::string_view kWinPlaceFirstVersion[] = {
    "race_key",   "snapshot",   "announced_at",     "minutes_to_post", "horse",     "win_odds",    "win_popularity",
    "place_low",  "place_high", "place_popularity", "status",          "win_total", "place_total", "bracket_total"};

constexpr Column kBracketColumns[] = {
    {"race_key", Text},      {"snapshot", Integer},   {"announced_at", Timestamp}, {"minutes_to_post", Integer},
    {"is_last", Flag},       {"bracket_a", Integer},  {"bracket_b", Integer},      {"odds", Odds},
    {"popularity", Integer}, {"status", Text},        {"share", Real},             {"total", Integer},
    {"sale", Text},
};
constexpr std::string_view kBracketKey[] = {"race_key", "snapshot", "bracket_a", "bracket_b"};
constexpr std::string_view kBracketFirstVersion[] = {"race_key", "snapshot",   "announced_at", "bracket_a", "bracket_b",
                                                     "odds",     "popularity", "status",       "total"};
constexpr Column kQuinellaColumns[] = {
    {"race_key", Text},      {"snapshot", Integer}, {"announced_at", Timestamp}, {"minutes_to_post", Integer},
    {"is_last", Flag},       {"horse_a", Integer},  {"horse_b", Integer},        {"odds", Odds},
    {"popularity", Integer}, {"status", Text},      {"share", Real},             {"total", Integer},
    {"sale", Text},
};
constexpr std::string_view kQuinellaKey[] = {"race_key", "snapshot", "horse_a", "horse_b"};
constexpr std::string_view kQuinellaFirstVersion[] = {"race_key", "snapshot",   "announced_at", "horse_a", "horse_b",
                                                      "odds",     "popularity", "status",       "total"};

constexpr Column kPayoutColumns[] = {
    {"race_key", Text}, {"ticket_type", Text}, {"combination", Text}, {"amount", Integer}, {"popularity", Integer},
};
constexpr std::string_view kPayoutKey[] = {"race_key", "ticket_type", "combination"};
constexpr std::string_view kPayoutFirstVersion[] = {"race_key", "ticket_type", "combination", "amount", "popularity"};

constexpr Column kMetaColumns[] = {
    {"export_id", Integer}, {"schema_version", Integer}, {"exported_at", Timestamp}, {"program_version", Text},
    {"range_from", Date},   {"range_to", Date},          {"tables", Text},           {"days", Integer},
    {"races", Integer},     {"odds_lines", Integer},     {"skipped_lines", Integer},
};
constexpr std::string_view kMetaKey[] = {"export_id"};
constexpr std::string_view kMetaFirstVersion[] = {"exported_at", "program_version", "range_from", "range_to",
                                                  "tables",      "days",            "races"};

constexpr Column kMetaDayColumns[] = {
    {"export_id", Integer},       {"day", Date},                 {"races", Integer},
    {"odds_lines", Integer},      {"skipped_kind", Integer},     {"skipped_length", Integer},
    {"skipped_race_key", Integer}, {"skipped_time", Integer},
};
constexpr std::string_view kMetaDayKey[] = {"export_id", "day"};

const TableDef kDefs[] = {
    {SeasonTable::Races, "races", kRaceColumns, kRaceKey, kRaceIndexes, false, kRaceFirstVersion},
    {SeasonTable::Runners, "runners", kRunnerColumns, kRunnerKey, {}, false, kRunnerFirstVersion},
    {SeasonTable::WinPlace, "win_place", kWinPlaceColumns, kWinPlaceKey, {}, false, kWinPlaceFirstVersion},
    {SeasonTable::BracketQuinella, "bracket_quinella", kBracketColumns, kBracketKey, {}, true, kBracketFirstVersion},
    {SeasonTable::Quinella, "quinella", kQuinellaColumns, kQuinellaKey, {}, true, kQuinellaFirstVersion},
    {SeasonTable::Payouts, "payouts", kPayoutColumns, kPayoutKey, {}, false, kPayoutFirstVersion},
};

// The meta tables are no season tables; their id is not used.
const TableDef kMeta{SeasonTable::Races, "meta", kMetaColumns, kMetaKey, {}, false, kMetaFirstVersion};
const TableDef kMetaDays{SeasonTable::Races, "meta_days", kMetaDayColumns, kMetaDayKey, {}, false, {}};

} // namespace

const TableDef& tableDef(SeasonTable table)
{
    for (const TableDef& d : kDefs)
        if (d.id == table)
            return d;
    return kDefs[0];
}

const TableDef& metaTableDef() { return kMeta; }
const TableDef& metaDaysTableDef() { return kMetaDays; }

std::optional<SeasonTable> tableNamed(std::string_view name)
{
    for (const TableDef& d : kDefs)
        if (d.name == name)
            return d.id;
    return std::nullopt;
}

std::vector<SeasonTable> defaultTables()
{
    std::vector<SeasonTable> out;
    for (SeasonTable t : kSeasonTables)
        if (!tableDef(t).onRequestOnly)
            out.push_back(t);
    return out;
}

std::optional<std::vector<SeasonTable>> parseTableList(std::string_view list, std::string* bad)
{
    std::vector<SeasonTable> chosen;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(',', start);
        if (end == std::string_view::npos)
            end = list.size();
        const std::string_view name = list.substr(start, end - start);
        const std::optional<SeasonTable> t = tableNamed(name);
        if (!t) {
            if (bad)
                *bad = std::string(name);
            return std::nullopt;
        }
        if (std::find(chosen.begin(), chosen.end(), *t) == chosen.end())
            chosen.push_back(*t);
        start = end + 1;
    }
    std::vector<SeasonTable> ordered;
    for (SeasonTable t : kSeasonTables)
        if (std::find(chosen.begin(), chosen.end(), t) != chosen.end())
            ordered.push_back(t);
    return ordered;
}

} // namespace tidemark::analytics
