#include "analytics/season_table.h"

#include <algorithm>

namespace tidemark::analytics {

namespace {

using enum ColumnType;
using Names = std::span<const std::string_view>;

constexpr Column kRaceColumns[] = {
    {"race_key", Text},    {"day", Text},         {"track_code", Text},  {"track_name", Text},
    {"meeting", Integer},  {"day_number", Integer}, {"race_number", Integer}, {"race_name", Text},
    {"post_time", Text},   {"distance", Integer}, {"course_code", Text}, {"runners", Integer},
};
constexpr std::string_view kRaceKey[] = {"race_key"};
constexpr std::string_view kRaceDayIndex[] = {"day"};
constexpr Names kRaceIndexes[] = {kRaceDayIndex};

constexpr Column kRunnerColumns[] = {
    {"race_key", Text},          {"horse", Integer},          {"bracket", Integer},
    {"horse_name", Text},        {"jockey", Text},            {"trainer", Text},
    {"weight_carried", Real},    {"finish_position", Integer}, {"final_win_odds", Real},
    {"final_win_popularity", Integer},
};
constexpr std::string_view kRunnerKey[] = {"race_key", "horse"};

// The snapshot's position in its race's series tells two announcements of the same
// minute apart.
constexpr Column kWinPlaceColumns[] = {
    {"race_key", Text},       {"snapshot", Integer},       {"announced_at", Text},   {"minutes_to_post", Integer},
    {"horse", Integer},       {"win_odds", Real},          {"win_popularity", Integer}, {"place_low", Real},
    {"place_high", Real},     {"place_popularity", Integer}, {"status", Text},       {"win_total", Integer},
    {"place_total", Integer}, {"bracket_total", Integer},
};
constexpr std::string_view kSeriesIndex[] = {"race_key", "announced_at"};
constexpr Names kSeriesIndexes[] = {kSeriesIndex};

constexpr Column kBracketColumns[] = {
    {"race_key", Text}, {"snapshot", Integer},   {"announced_at", Text}, {"bracket_a", Integer}, {"bracket_b", Integer},
    {"odds", Real},     {"popularity", Integer}, {"status", Text},       {"total", Integer},
};
constexpr Column kQuinellaColumns[] = {
    {"race_key", Text}, {"snapshot", Integer},   {"announced_at", Text}, {"horse_a", Integer}, {"horse_b", Integer},
    {"odds", Real},     {"popularity", Integer}, {"status", Text},       {"total", Integer},
};

constexpr Column kPayoutColumns[] = {
    {"race_key", Text}, {"ticket_type", Text}, {"combination", Text}, {"amount", Integer}, {"popularity", Integer},
};
constexpr std::string_view kPayoutIndex[] = {"race_key"};
constexpr Names kPayoutIndexes[] = {kPayoutIndex};

constexpr Column kMetaColumns[] = {
    {"exported_at", Text}, {"program_version", Text}, {"range_from", Text}, {"range_to", Text},
    {"tables", Text},      {"days", Integer},         {"races", Integer},
};

const TableDef kDefs[] = {
    {SeasonTable::Races, "races", kRaceColumns, kRaceKey, kRaceIndexes, false},
    {SeasonTable::Runners, "runners", kRunnerColumns, kRunnerKey, {}, false},
    {SeasonTable::WinPlace, "win_place", kWinPlaceColumns, {}, kSeriesIndexes, false},
    {SeasonTable::BracketQuinella, "bracket_quinella", kBracketColumns, {}, kSeriesIndexes, true},
    {SeasonTable::Quinella, "quinella", kQuinellaColumns, {}, kSeriesIndexes, true},
    {SeasonTable::Payouts, "payouts", kPayoutColumns, {}, kPayoutIndexes, false},
};

const TableDef kMeta{SeasonTable::Races, "meta", kMetaColumns, {}, {}, false};

} // namespace

const TableDef& tableDef(SeasonTable table)
{
    for (const TableDef& d : kDefs)
        if (d.id == table)
            return d;
    return kDefs[0];
}

const TableDef& metaTableDef() { return kMeta; }

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
