#include "gui/service_factory.h"

#include "gui/qt_host.h"
#include "nvsim/sim_nv_link_factory.h"

namespace tidemark::gui {

// The simulated service stands in for the provider's component on every platform here;
// it follows the desktop's clock, so "today" is live.
std::unique_ptr<NvLinkFactory> makeServiceFactory(const std::filesystem::path& programFolder, QtHost& host)
{
    return std::make_unique<nvsim::SimNvLinkFactory>(programFolder, [&host] { return host.now(); });
}

} // namespace tidemark::gui
