#pragma once
// The data service in a helper process (the bridge), reached over its standard streams.
// Each call is one request and one answer; the results are the served component's own.
// When the bridge cannot be started, dies or answers garbage, the call in progress returns
// one of the codes below and `onFault` gets a line saying why; the next call starts a new
// bridge and initialises it with the last service id.

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

inline constexpr bool isBridgeCode(int r) { return r <= -1101 && r >= -1199; }

// A CP932 line for the error log.
using FaultReport = std::function<void(const std::string& cp932)>;

class BridgeNvLink : public NvLink {
public:
    // commandLine: starts the bridge (UTF-8). onFault may be empty.
    BridgeNvLink(std::string commandLine, FaultReport onFault);
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

    // Starts the bridge now; false (and a fault line) when it cannot be started.
    bool start();
    // The running bridge, for tests that end it as a crash would.
    text::ChildProcess* process() { return m_child.get(); }

private:
    // Sends one request and reads its answer; a negative bridge code on failure.
    int call(Kind kind, const std::string& request, std::string& answer);
    int fail(Kind kind, int code, const std::string& why);
    // The served component's result, with a log line when it is a COM failure.
    int served(Kind kind, int result);
    int readRecord(Kind kind, std::string& buffer, int size, std::string& fileName);

    std::string m_commandLine;
    FaultReport m_onFault;
    std::unique_ptr<text::ChildProcess> m_child;
    std::optional<std::string> m_serviceId;
};

// Says whether the bridge can be started and creates clients for it.
class BridgeNvLinkFactory : public NvLinkFactory {
public:
    BridgeNvLinkFactory(std::string commandLine, FaultReport onFault);
    // Starts a bridge and asks it a harmless question (NVStatus).
    bool installed() const override;
    std::unique_ptr<NvLink> create() override;

private:
    std::string m_commandLine;
    FaultReport m_onFault;
};

// The served side: answers requests from `read` with `link` until the stream ends.
// Returns 0 at a clean end, 1 when the stream broke or carried garbage.
int serveNvLink(NvLink& link, const ByteReader& read, const ByteWriter& write);

} // namespace tidemark::bridge
