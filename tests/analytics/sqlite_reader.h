#pragma once
// Reads an exported SQLite file back for the tests: every value of a query as text
// ("NULL" for NULL), so an expectation reads like the sqlite3 shell's output.

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tidemark::testing {

using SqlRows = std::vector<std::vector<std::string>>;

inline SqlRows sqlQuery(const std::filesystem::path& file, const std::string& sql)
{
    SqlRows rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << file;
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
    } else {
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const unsigned char* t = sqlite3_column_text(st, c);
                row.emplace_back(t ? reinterpret_cast<const char*>(t) : "NULL");
            }
            rows.push_back(std::move(row));
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// The one value of a query that gives one.
inline std::string sqlValue(const std::filesystem::path& file, const std::string& sql)
{
    const SqlRows rows = sqlQuery(file, sql);
    if (rows.size() != 1 || rows[0].size() != 1) {
        ADD_FAILURE() << sql << " gave " << rows.size() << " rows";
        return {};
    }
    return rows[0][0];
}

} // namespace tidemark::testing
