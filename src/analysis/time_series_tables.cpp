#include "analysis/time_series_tables.h"

#include <algorithm>

#include "analysis/odds_values.h"
#include "analysis/snapshot_series.h"
#include "records/record_view.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::analysis {

namespace {

constexpr std::size_t kWinPopularityWidth = 2;
constexpr std::size_t kPlacePopularityWidth = 2;
constexpr std::size_t kBracketPopularityWidth = 2;
constexpr std::size_t kQuinellaPopularityWidth = 3;

std::size_t width(int w) { return static_cast<std::size_t>(w); }

// readInt of a record field; fields are nearly always digits only, read in one pass.
std::int64_t fieldInt(std::string_view field)
{
    if (field.empty() || field.size() > 18)
        return text::readInt(field);
    std::int64_t value = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return text::readInt(field);
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

SeriesOdds seriesOdds(std::string_view field, int fieldWidth, double shareNumerator)
{
    SeriesOdds out;
    const records::OddsField f = readOddsField(field, fieldWidth);
    switch (f.kind()) {
    case records::OddsKind::Blank:
    case records::OddsKind::Unreadable:
        return out;
    case records::OddsKind::CancelledBeforeSale:
        out.kind = SeriesOdds::Kind::CancelledBefore;
        return out;
    case records::OddsKind::CancelledAfterSale:
        out.kind = SeriesOdds::Kind::CancelledAfter;
        return out;
    case records::OddsKind::Odds:
    case records::OddsKind::NoVotes:
        break;
    }
    const double odds = f.value();
    if (odds > 0.0) {
        out.kind = SeriesOdds::Kind::Price;
        out.odds = odds;
        out.share = shareNumerator / odds;
    }
    return out;
}

SeriesPopularity seriesPopularity(std::string_view popularityField, std::string_view oddsField)
{
    SeriesPopularity out;
    const std::string_view p = text::trim(popularityField);
    if (p.empty())
        return out;
    const std::int64_t order = fieldInt(p);
    if (order == 0)
        return out;
    // The order beside a field of zeros or a cancellation is a leftover of the record, not a rank.
    if (fieldInt(oddsField) > 0) {
        out.kind = SeriesPopularity::Kind::Order;
        out.order = static_cast<int>(std::clamp<std::int64_t>(order, -999, 999));
    } else {
        out.kind = SeriesPopularity::Kind::Unpriced;
    }
    return out;
}

O1SeriesRow readO1SeriesRow(std::string_view snapshot, int runnerCount)
{
    O1SeriesRow row;
    readO1SeriesRow(row, snapshot, runnerCount);
    return row;
}

void readO1SeriesRow(O1SeriesRow& row, std::string_view snapshot, int runnerCount)
{
    const records::O1View v(snapshot);
    row.time = hourMinuteText(snapshot);
    row.winVotes = v.winVotes();
    row.placeVotes = v.placeVotes();
    row.bracketVotes = v.bracketVotes();

    const int runners = std::clamp(runnerCount, 0, kMaxHorses);
    for (int h = 1; h <= runners; ++h) {
        const auto i = static_cast<std::size_t>(h);
        const std::string_view win = v.bytes(records::winOddsPos(h), width(kWinFieldWidth));
        const std::string_view low = v.bytes(records::placeLowPos(h), width(kPlaceFieldWidth));
        const std::string_view high = v.bytes(records::placeHighPos(h), width(kPlaceFieldWidth));
        row.win[i] = seriesOdds(win, kWinFieldWidth, kWinShareNumerator);
        row.placeLow[i] = seriesOdds(low, kPlaceFieldWidth, kPlaceShareNumerator);
        row.placeHigh[i] = seriesOdds(high, kPlaceFieldWidth, kPlaceShareNumerator);
        row.winPopularity[i] = seriesPopularity(v.bytes(records::winPopularityPos(h), kWinPopularityWidth), win);
        row.placePopularity[i] =
            seriesPopularity(v.bytes(records::placePopularityPos(h), kPlacePopularityWidth), low);
    }
    for (int h = runners + 1; h <= kMaxHorses; ++h) {
        const auto i = static_cast<std::size_t>(h);
        row.win[i] = row.placeLow[i] = row.placeHigh[i] = SeriesOdds{};
        row.winPopularity[i] = row.placePopularity[i] = SeriesPopularity{};
    }
    for (int k = 1; k <= kBracketPairs; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const std::string_view odds = v.bytes(records::bracketOddsPos(k), width(kBracketFieldWidth));
        row.bracket[i] = seriesOdds(odds, kBracketFieldWidth, kBracketShareNumerator);
        row.bracketPopularity[i] =
            seriesPopularity(v.bytes(records::bracketPopularityPos(k), kBracketPopularityWidth), odds);
    }
}

O2SeriesRow readO2SeriesRow(std::string_view snapshot)
{
    O2SeriesRow row;
    readO2SeriesRow(row, snapshot);
    return row;
}

void readO2SeriesRow(O2SeriesRow& row, std::string_view snapshot)
{
    const records::O2View v(snapshot);
    row.time = hourMinuteText(snapshot);
    row.quinellaVotes = v.quinellaVotes();
    for (int k = 1; k <= kQuinellaPairs; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const std::string_view odds = v.bytes(records::quinellaOddsPos(k), width(kQuinellaFieldWidth));
        row.quinella[i] = seriesOdds(odds, kQuinellaFieldWidth, kQuinellaShareNumerator);
        row.quinellaPopularity[i] =
            seriesPopularity(v.bytes(records::quinellaPopularityPos(k), kQuinellaPopularityWidth), odds);
    }
}

} // namespace tidemark::analysis
