#include "bridge/exe/served_link.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "nvsim/sim_nv_link_factory.h"
#include "text/date_time.h"

namespace tidemark::bridge {

namespace {

// What a misbehaving bridge does at the n-th record read.
enum class Misdeed { Die, Hang };

// Stands for a bridge that crashes (ends the process abruptly) or stops answering (keeps
// its streams open and never answers) at the n-th record read, or whose component shows a
// settings dialog that the user keeps open for a while.
class MisbehavingLink : public NvLink {
public:
    MisbehavingLink(std::unique_ptr<NvLink> inner, Misdeed misdeed, int readsLeft, int dialogMs)
        : m_inner(std::move(inner)), m_misdeed(misdeed), m_left(readsLeft), m_dialogMs(dialogMs)
    {
    }
    int NVInit(std::string_view id) override { return m_inner->NVInit(id); }
    int NVSetUIProperties() override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(m_dialogMs));
        return m_inner->NVSetUIProperties();
    }
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
        if (m_left <= 0 || --m_left > 0)
            return;
        if (m_misdeed == Misdeed::Die)
            std::_Exit(9);
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
    std::unique_ptr<NvLink> m_inner;
    Misdeed m_misdeed;
    int m_left;
    int m_dialogMs;
};

} // namespace

// For tests of the bridge path on systems without the provider's component:
//   tidemark2nv-link --home <folder with NVSim.ini> [--now yyyymmddhhnnss]
//                    [--die-at-read N | --hang-at-read N] [--dialog-ms MS]
std::unique_ptr<NvLink> makeServedLink(const std::vector<std::string>& args, std::string& error)
{
    std::filesystem::path home = ".";
    nvsim::SimClock clock;
    Misdeed misdeed = Misdeed::Die;
    int misdeedAt = 0;
    int dialogMs = 0;
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
        } else if (args[i] == "--die-at-read" || args[i] == "--hang-at-read") {
            misdeed = args[i] == "--die-at-read" ? Misdeed::Die : Misdeed::Hang;
            misdeedAt = std::atoi(args[i + 1].c_str());
        } else if (args[i] == "--dialog-ms") {
            dialogMs = std::atoi(args[i + 1].c_str());
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
    if (misdeedAt > 0 || dialogMs > 0)
        return std::make_unique<MisbehavingLink>(std::move(sim), misdeed, misdeedAt, dialogMs);
    return sim;
}

const char* servedName() { return "the simulated service (a test build)"; }

} // namespace tidemark::bridge
