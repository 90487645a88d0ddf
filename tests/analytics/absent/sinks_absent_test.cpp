// A build without SQLite or libpq (the Windows cross build) compiles these stand-ins:
// the formats say they are not available, CSV still is.

#include "analytics/table_sink.h"

#include <gtest/gtest.h>

namespace tidemark::analytics {
namespace {

TEST(SinksAbsent, DatabasesAnswerNotAvailableAndCsvRemains)
{
    EXPECT_FALSE(formatAvailable(ExportFormat::Sqlite));
    EXPECT_FALSE(formatAvailable(ExportFormat::Postgres));
    EXPECT_TRUE(formatAvailable(ExportFormat::Csv));
    try {
        openSqliteSink("season.sqlite");
        FAIL() << "a sink without its library";
    } catch (const SinkUnavailable& e) {
        EXPECT_NE(std::string(e.what()).find("sqlite is not available in this build"), std::string::npos);
    }
    EXPECT_THROW(openPostgresSink("dbname=x"), SinkUnavailable);
}

} // namespace
} // namespace tidemark::analytics
