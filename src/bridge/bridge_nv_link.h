#pragma once
// The data service in a helper process (the bridge), reached over its standard streams.
// Each call is one request and one answer; the results are the served component's own.
// When the bridge cannot be started, dies, answers garbage or does not answer in time, the
// call in progress returns one of the codes below and `onFault` gets a line saying why; the
// next call starts a new bridge and initialises it with the last service id.
//
// A call that waits for its answer serves the window's events meanwhile (BridgeWait), so a
// click can call the service again before the answer is in: such a call is sent behind the
// one under way and the bridge answers both in turn. A cancel (NVCancel, or stopWaiting
// for the real-time reads) gives the call under way a moment to answer, then ends the bridge.

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "bridge/bridge_protocol.h"
#include "service/nv_link.h"
#include "text/child_process.h"

namespace tidemark::bridge {

// The bridge's own results; the in-process component's adapter uses -1001 … -1099.
inline constexpr int kBridgeNotStarted = -1101;  // the command line could not be started
inline constexpr int kBridgeEnded = -1102;       // the bridge ended or closed its output
inline constexpr int kBridgeGarbage = -1103;     // an answer that is not a well-formed frame
inline constexpr int kBridgeWrongVersion = -1104; // a bridge of another protocol version
inline constexpr int kBridgeWrongAnswer = -1105;  // a well-formed answer to another call
inline constexpr int kBridgeTimedOut = -1106;     // no answer by the call's deadline
inline constexpr int kBridgeStopped = -1107;      // no answer soon after the user cancelled

inline constexpr bool isBridgeCode(int r) { return r <= -1101 && r >= -1199; }

// A CP932 line for the error log.
using FaultReport = std::function<void(const std::string& cp932)>;

// How long the bridge may take to answer each call before it is taken for hung. The first
// call to a new bridge includes its start (under Wine, seconds). The component's settings
// dialog waits for the user, so NVSetUIProperties has no deadline.
struct BridgeDeadlines {
    using ms = std::chrono::milliseconds;
    ms init{60'000};   // start of the component, its own initialisation
    ms open{120'000};  // the component may ask the provider's server first
    ms rtOpen{60'000}; // one request to the provider's server
    ms other{30'000};  // status, reads of downloaded files, close, cancel

    // Every call but the settings dialog and NVInit gets the same deadline; NVInit keeps
    // its own, as it may include the start of a new bridge (seconds under Wine).
    static BridgeDeadlines all(ms each)
    {
        BridgeDeadlines d;
        d.open = d.rtOpen = d.other = each;
        return d;
    }
};

// What a call does while it waits for its answer.
struct BridgeWait {
    // Serves the window's events (empty: the call just waits, as the tool does).
    std::function<void()> serveEvents;
    BridgeDeadlines deadlines;
    // How long the call under way may still answer after a cancel.
    std::chrono::milliseconds stopGrace{2000};
    // How long a wait lasts before the window's events are served again.
    std::chrono::milliseconds slice{15};
};

class BridgeNvLink : public NvLink {
public:
    // commandLine: starts the bridge (UTF-8). onFault may be empty.
    BridgeNvLink(std::string commandLine, FaultReport onFault, BridgeWait wait = {});
    ~BridgeNvLink() override;

    int NVInit(std::string_view serviceId) override;
    int NVSetUIProperties() override;
    int NVOpen(std::string_view dataSpec, std::string_view fromTime, int option, int& readCount,
               int& downloadCount, std::string& lastFileTimeStamp) override;
    int NVStatus() override;
    int NVGets(std::string& buffer, int size, std::string& fileName) override;
    int NVRead(std::string& record, int size, std::string& fileName) override;
    int NVRTOpen(std::string_view dataSpec, std::string_view key) override;
    int NVClose() override;
    void NVCancel() override;
    void stopWaiting() noexcept override;

    // Starts the bridge now; false (and a fault line) when it cannot be started.
    bool start();
    // The running bridge, for tests that end it as a crash would.
    text::ChildProcess* process() { return m_child.get(); }

private:
    using Clock = std::chrono::steady_clock;

    // A request sent whose answer has not been taken yet; the bridge answers in order.
    struct Pending {
        Kind kind;
        bool done = false;
        int failure = 0;       // a bridge code when the answer never came
        bool bystander = false; // it failed because the bridge ended over another call
        bool unawaited = false; // a cancel sent behind a waiting call: nobody reads its answer
        std::string payload;
    };

    // Sends one request and reads its answer; a negative bridge code on failure
    // (`bystander`: the bridge was ended over an earlier call's answer).
    int call(Kind kind, const std::string& request, std::string& answer, bool* bystander = nullptr);
    // Sends a request behind those waiting; null when the bridge is gone (the fault reported).
    std::shared_ptr<Pending> send(Kind kind, const std::string& request);
    // Waits until `p` is answered or failed, serving events; 0 or its failure.
    int await(const Pending& p);
    // Hands every whole answer received so far to its request.
    void takeAnswers();
    std::optional<Clock::duration> deadlineOf(Kind kind) const;
    // Ends the bridge: the call `kind` fails with `code`, every other one waiting with it.
    int fail(Kind kind, int code, const std::string& why);
    // The served component's result, with a log line when it is a COM failure.
    int served(Kind kind, int result);
    int readRecord(Kind kind, std::string& buffer, int size, std::string& fileName);

    std::string m_commandLine;
    FaultReport m_onFault;
    BridgeWait m_wait;
    std::unique_ptr<text::ChildProcess> m_child;
    std::optional<std::string> m_serviceId;
    std::deque<std::shared_ptr<Pending>> m_inFlight;
    Clock::time_point m_headSince;               // when the bridge began on the first of them
    std::optional<Clock::time_point> m_stopAsked; // a cancel came while they waited
    std::string m_inbox;                          // bytes received, not yet a whole frame
};

// Says whether the bridge can be started and creates clients for it.
class BridgeNvLinkFactory : public NvLinkFactory {
public:
    BridgeNvLinkFactory(std::string commandLine, FaultReport onFault, BridgeWait wait = {});
    // Starts a bridge and asks it a harmless question (NVStatus).
    bool installed() const override;
    std::unique_ptr<NvLink> create() override;

private:
    std::string m_commandLine;
    FaultReport m_onFault;
    BridgeWait m_wait;
};

// The served side: answers requests from `read` with `link` until the stream ends.
// Returns 0 at a clean end, 1 when the stream broke or carried garbage.
int serveNvLink(NvLink& link, const ByteReader& read, const ByteWriter& write);

} // namespace tidemark::bridge
