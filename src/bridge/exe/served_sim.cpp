#include "bridge/exe/served_link.h"

#include "nvsim/sim_nv_link_factory.h"
#include "text/date_time.h"

namespace tidemark::bridge {

// For tests of the bridge path on systems without the provider's component:
//   tidemark2nv-link --home <folder with NVSim.ini> [--now yyyymmddhhnnss]
std::unique_ptr<NvLink> makeServedLink(const std::vector<std::string>& args, std::string& error)
{
    std::filesystem::path home = ".";
    nvsim::SimClock clock;
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--home") {
            home = std::u8string(args[i + 1].begin(), args[i + 1].end());
        } else if (args[i] == "--now") {
            const auto t = text::parseCompactDateTime(args[i + 1]);
            if (!t) {
                error = "malformed --now " + args[i + 1];
                return nullptr;
            }
            clock = [t = *t] { return t; };
        } else {
            error = "unknown option " + args[i];
            return nullptr;
        }
    }
    if (args.size() % 2 != 0) {
        error = "missing value of " + args.back();
        return nullptr;
    }
    return nvsim::SimNvLinkFactory(home, clock).create();
}

const char* servedName() { return "the simulated service (a test build)"; }

} // namespace tidemark::bridge
