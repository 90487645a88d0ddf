#include "gui/service_factory.h"

#include "service/null_nv_link.h"

namespace tidemark::gui {

std::unique_ptr<NvLinkFactory> makeServiceFactory(const std::filesystem::path& /*programFolder*/, QtHost& /*host*/)
{
    return std::make_unique<NullNvLinkFactory>();
}

} // namespace tidemark::gui
