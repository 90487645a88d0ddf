// This build has no libpq: the format answers so.

#include "analytics/table_sink.h"

namespace tidemark::analytics {

namespace detail {
bool postgresSinkBuilt() noexcept { return false; }
} // namespace detail

std::unique_ptr<TableSink> openPostgresSink(const std::string& /*conninfo*/, const SinkOptions& /*options*/)
{
    throw SinkUnavailable("postgres is not available in this build (it was built without the libpq library)");
}

} // namespace tidemark::analytics
