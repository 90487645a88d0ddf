#include "bridge/bridge_nv_link.h"

#include "text/cp932.h"

namespace tidemark::bridge {

namespace {

const char* callName(Kind kind)
{
    switch (kind) {
    case Kind::Init: return "NVInit";
    case Kind::SetUIProperties: return "NVSetUIProperties";
    case Kind::Open: return "NVOpen";
    case Kind::Status: return "NVStatus";
    case Kind::Gets: return "NVGets";
    case Kind::Read: return "NVRead";
    case Kind::RTOpen: return "NVRTOpen";
    case Kind::Close: return "NVClose";
    case Kind::Cancel: return "NVCancel";
    }
    return "?";
}

} // namespace

BridgeNvLink::BridgeNvLink(std::string commandLine, FaultReport onFault)
    : m_commandLine(std::move(commandLine))
    , m_onFault(std::move(onFault))
{
}

BridgeNvLink::~BridgeNvLink() = default;

int BridgeNvLink::fail(Kind kind, int code, const std::string& why)
{
    // The bridge is not trusted after a fault: the next call starts a new one.
    if (m_child) {
        m_child->kill();
        m_child.reset();
    }
    if (m_onFault)
        m_onFault(text::sj("ブリッジ（") + callName(kind) + text::sj("）：") + why + "(" + std::to_string(code) + ")");
    return code;
}

int BridgeNvLink::served(Kind kind, int result)
{
    // A COM failure inside the bridge arrives as a plain result; the bridge itself has no
    // error log (it writes the HRESULT on its standard error), so the line is written here.
    if (result <= -1001 && result >= -1099 && m_onFault)
        m_onFault(text::sj("ブリッジ（") + callName(kind) + text::sj("）：コンポーネントの呼び出しがCOMのエラーで失敗しました。(") +
                  std::to_string(result) + ")");
    return result;
}

bool BridgeNvLink::start()
{
    if (m_child)
        return true;
    std::string error;
    m_child = text::startChildProcess(m_commandLine, error);
    if (!m_child) {
        if (m_onFault)
            m_onFault(text::sj("ブリッジを起動できません：") + text::fromUtf8(m_commandLine) + " " + text::fromUtf8(error) +
                      "(" + std::to_string(kBridgeNotStarted) + ")");
        return false;
    }
    return true;
}

int BridgeNvLink::call(Kind kind, const std::string& request, std::string& answer)
{
    if (!m_child) {
        if (!start())
            return kBridgeNotStarted;
        // A new bridge knows nothing yet: give it the service id the caller gave the last one.
        if (m_serviceId && kind != Kind::Init) {
            std::string initAnswer;
            const int r = call(Kind::Init, PayloadWriter().bytes(*m_serviceId).data(), initAnswer);
            if (r < 0)
                return r;
        }
    }
    text::ChildProcess& child = *m_child;
    const ByteWriter write = [&child](const char* p, std::size_t n) { return child.write(p, n); };
    if (!writeFrame(write, static_cast<std::uint8_t>(kind), request))
        return fail(kind, kBridgeEnded, text::sj("ブリッジが終了しています。"));
    Frame frame;
    const ByteReader read = [&child](char* p, std::size_t n) { return child.read(p, n); };
    const FrameError e = readFrame(read, frame);
    switch (e) {
    case FrameError::None: break;
    case FrameError::EndOfStream:
    case FrameError::Io: return fail(kind, kBridgeEnded, text::sj("ブリッジが応答せずに終了しました。"));
    case FrameError::WrongVersion: return fail(kind, kBridgeWrongVersion, text::sj("ブリッジの版が違います。"));
    case FrameError::Truncated:
    case FrameError::BadMagic:
    case FrameError::Oversized:
        return fail(kind, kBridgeGarbage, text::sj("ブリッジの応答が不正です。") + "(" + describe(e) + ")");
    }
    if (frame.kind != (static_cast<std::uint8_t>(kind) | kAnswerBit))
        return fail(kind, kBridgeWrongAnswer, text::sj("ブリッジが別の呼び出しに応答しました。"));
    answer = std::move(frame.payload);
    return 0;
}

int BridgeNvLink::NVInit(std::string_view serviceId)
{
    m_serviceId = std::string(serviceId);
    std::string answer;
    if (const int r = call(Kind::Init, PayloadWriter().bytes(serviceId).data(), answer); r < 0)
        return r;
    PayloadReader in(answer);
    const int result = in.integer();
    return in.finish() ? served(Kind::Init, result) : fail(Kind::Init, kBridgeGarbage, text::sj("ブリッジの応答が不正です。"));
}

int BridgeNvLink::NVSetUIProperties()
{
    std::string answer;
    if (const int r = call(Kind::SetUIProperties, {}, answer); r < 0)
        return r;
    PayloadReader in(answer);
    const int result = in.integer();
    return in.finish() ? served(Kind::SetUIProperties, result) : fail(Kind::SetUIProperties, kBridgeGarbage, text::sj("ブリッジの応答が不正です。"));
}

int BridgeNvLink::NVOpen(std::string_view dataSpec, std::string_view fromTime, int option, int& readCount,
                         int& downloadCount, std::string& lastFileTimeStamp)
{
    std::string answer;
    const std::string request = PayloadWriter()
                                    .bytes(dataSpec)
                                    .bytes(fromTime)
                                    .integer(option)
                                    .integer(readCount)
                                    .integer(downloadCount)
                                    .bytes(lastFileTimeStamp)
                                    .data();
    if (const int r = call(Kind::Open, request, answer); r < 0)
        return r;
    PayloadReader in(answer);
    const int result = in.integer();
    const int reads = in.integer();
    const int downloads = in.integer();
    std::string stamp = in.bytes();
    if (!in.finish())
        return fail(Kind::Open, kBridgeGarbage, text::sj("ブリッジの応答が不正です。"));
    readCount = reads;
    downloadCount = downloads;
    lastFileTimeStamp = std::move(stamp);
    return served(Kind::Open, result);
}

int BridgeNvLink::NVStatus()
{
    std::string answer;
    if (const int r = call(Kind::Status, {}, answer); r < 0)
        return r;
    PayloadReader in(answer);
    const int result = in.integer();
    return in.finish() ? served(Kind::Status, result) : fail(Kind::Status, kBridgeGarbage, text::sj("ブリッジの応答が不正です。"));
}

int BridgeNvLink::readRecord(Kind kind, std::string& buffer, int size, std::string& fileName)
{
    // The buffer and file name are in-out, as the component's own are: what the component
    // leaves alone stays as the caller had it.
    std::string answer;
    const std::string request = PayloadWriter().integer(size).bytes(buffer).bytes(fileName).data();
    if (const int r = call(kind, request, answer); r < 0)
        return r;
    PayloadReader in(answer);
    const int result = in.integer();
    std::string record = in.bytes();
    std::string name = in.bytes();
    if (!in.finish())
        return fail(kind, kBridgeGarbage, text::sj("ブリッジの応答が不正です。"));
    buffer = std::move(record);
    fileName = std::move(name);
    return served(kind, result);
}

int BridgeNvLink::NVGets(std::string& buffer, int size, std::string& fileName)
{
    return readRecord(Kind::Gets, buffer, size, fileName);
}

int BridgeNvLink::NVRead(std::string& record, int size, std::string& fileName)
{
    return readRecord(Kind::Read, record, size, fileName);
}

int BridgeNvLink::NVRTOpen(std::string_view dataSpec, std::string_view key)
{
    std::string answer;
    if (const int r = call(Kind::RTOpen, PayloadWriter().bytes(dataSpec).bytes(key).data(), answer); r < 0)
        return r;
    PayloadReader in(answer);
    const int result = in.integer();
    return in.finish() ? served(Kind::RTOpen, result) : fail(Kind::RTOpen, kBridgeGarbage, text::sj("ブリッジの応答が不正です。"));
}

int BridgeNvLink::NVClose()
{
    // Nothing is open in a bridge that is not running.
    if (!m_child)
        return 0;
    std::string answer;
    if (const int r = call(Kind::Close, {}, answer); r < 0)
        return r;
    PayloadReader in(answer);
    const int result = in.integer();
    return in.finish() ? served(Kind::Close, result) : fail(Kind::Close, kBridgeGarbage, text::sj("ブリッジの応答が不正です。"));
}

void BridgeNvLink::NVCancel()
{
    if (!m_child)
        return;
    std::string answer;
    if (call(Kind::Cancel, {}, answer) < 0)
        return;
    if (!answer.empty())
        fail(Kind::Cancel, kBridgeGarbage, text::sj("ブリッジの応答が不正です。"));
}

BridgeNvLinkFactory::BridgeNvLinkFactory(std::string commandLine, FaultReport onFault)
    : m_commandLine(std::move(commandLine))
    , m_onFault(std::move(onFault))
{
}

bool BridgeNvLinkFactory::installed() const
{
    if (m_commandLine.empty())
        return false;
    // A bridge that starts and answers; its own faults are not worth an error-log line here.
    BridgeNvLink probe(m_commandLine, {});
    return probe.start() && !isBridgeCode(probe.NVStatus());
}

std::unique_ptr<NvLink> BridgeNvLinkFactory::create()
{
    return std::make_unique<BridgeNvLink>(m_commandLine, m_onFault);
}

} // namespace tidemark::bridge
