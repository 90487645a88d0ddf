#include "bridge/exe/served_link.h"

#include <cstdlib>

#include "nvsim/sim_nv_link_factory.h"
#include "text/date_time.h"

namespace tidemark::bridge {

namespace {

// Stands for a bridge that crashes: ends the process abruptly at the n-th record read.
class DyingLink : public NvLink {
public:
    DyingLink(std::unique_ptr<NvLink> inner, int readsLeft) : m_inner(std::move(inner)), m_left(readsLeft) {}
    int NVInit(std::string_view id) override { return m_inner->NVInit(id); }
    int NVSetUIProperties() override { return m_inner->NVSetUIProperties(); }
    int NVOpen(std::string_view s, std::string_view f, int o, int& r, int& d, std::string& t) override
    {
        return m_inner->NVOpen(s, f, o, r, d, t);
    }
    int NVStatus() override { return m_inner->NVStatus(); }
    int NVGets(std::string& b, int n, std::string& f) override { return count(), m_inner->NVGets(b, n, f); }
    int NVRead(std::string& b, int n, std::string& f) override { return count(), m_inner->NVRead(b, n, f); }
    int NVRTOpen(std::string_view s, std::string_view k) override { return m_inner->NVRTOpen(s, k); }
    int NVClose() override { return m_inner->NVClose(); }
    void NVCancel() override { m_inner->NVCancel(); }

private:
    void count()
    {
        if (--m_left <= 0)
            std::_Exit(9);
    }
    std::unique_ptr<NvLink> m_inner;
    int m_left;
};

} // namespace

// For tests of the bridge path on systems without the provider's component:
//   tidemark2nv-link --home <folder with NVSim.ini> [--now yyyymmddhhnnss] [--die-at-read N]
std::unique_ptr<NvLink> makeServedLink(const std::vector<std::string>& args, std::string& error)
{
    std::filesystem::path home = ".";
    nvsim::SimClock clock;
    int dieAt = 0;
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
        } else if (args[i] == "--die-at-read") {
            dieAt = std::atoi(args[i + 1].c_str());
        } else {
            error = "unknown option " + args[i];
            return nullptr;
        }
    }
    if (args.size() % 2 != 0) {
        error = "missing value of " + args.back();
        return nullptr;
    }
    std::unique_ptr<NvLink> sim = nvsim::SimNvLinkFactory(home, clock).create();
    if (dieAt > 0)
        return std::make_unique<DyingLink>(std::move(sim), dieAt);
    return sim;
}

const char* servedName() { return "the simulated service (a test build)"; }

} // namespace tidemark::bridge
