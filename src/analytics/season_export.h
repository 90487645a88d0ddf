#pragma once
// The export of a season: every stored day of a range, oldest first, each in one
// transaction of the sink, its races replacing what the sink held of them. One day is
// read at a time and its rows go to the sink as they are made, so memory stays the
// same whatever the range. Progress is reported after every race and day, and once
// before the finishing (the meta rows, the indexes of a new table: long for a long
// range); a cancel is honoured between races (the day being written is dropped,
// finished days stay). Odds lines that are no announcement of their race are left out
// and counted, per day in the meta_days table.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analytics/season_reader.h"
#include "analytics/table_sink.h"
#include "store/store_layout.h"

namespace tidemark::analytics {

struct SeasonExportOptions {
    std::string fromYmd; // "yyyymmdd", both included
    std::string toYmd;
    std::vector<SeasonTable> tables = defaultTables();
    std::string programVersion;
    std::string exportedAt; // "yyyy-mm-dd hh:mm:ss"
};

struct SeasonExportProgress {
    int day = 0;  // days finished
    int days = 0; // days in the range
    std::string dayLabel; // the day being written (CP932)
    std::int64_t races = 0;
    std::int64_t rows = 0;
    OddsLineTally oddsLines; // of the day being written, so far
    bool finishing = false;  // every day is in: the meta rows and indexes are being written
};

struct SeasonExportResult {
    bool cancelled = false;
    int days = 0;           // days written whole
    std::int64_t races = 0; // races of those days
    std::array<std::int64_t, kSeasonTables.size()> rows{};
    OddsLineTally oddsLines; // of those days: exported and left out

    std::int64_t rowsOf(SeasonTable t) const { return rows[static_cast<std::size_t>(t)]; }
};

using SeasonExportListener = std::function<void(const SeasonExportProgress&)>;

// Runs the export into `sink`. Throws text::FileError when a store file cannot be read
// and SinkError when the sink fails; either way the sink has dropped the day it was
// writing and kept the days before.
SeasonExportResult exportSeason(const store::StoreLayout& layout, TableSink& sink, const SeasonExportOptions& options,
                                const SeasonExportListener& listener = {},
                                const std::atomic<bool>* cancel = nullptr);

// "2024-01-15" of "20240115".
std::string isoDate(std::string_view yyyymmdd);

} // namespace tidemark::analytics
