// This build has no SQLite: the format answers so.

#include "analytics/table_sink.h"

namespace tidemark::analytics {

namespace detail {
bool sqliteSinkBuilt() noexcept { return false; }
} // namespace detail

std::unique_ptr<TableSink> openSqliteSink(const std::filesystem::path& /*file*/, const SinkOptions& /*options*/)
{
    throw SinkUnavailable("sqlite is not available in this build (it was built without the SQLite library)");
}

} // namespace tidemark::analytics
