#include "bridge/bridge_nv_link.h"

#include <algorithm>

#include "service/nv_message.h"
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

BridgeNvLink::BridgeNvLink(std::string commandLine, FaultReport onFault, BridgeWait wait)
    : m_commandLine(std::move(commandLine))
    , m_onFault(std::move(onFault))
    , m_wait(std::move(wait))
{
}

BridgeNvLink::~BridgeNvLink() = default;

int BridgeNvLink::fail(Kind kind, int code, const std::string& why)
{
    // The bridge is not trusted after a fault: the next call starts a new one. Every call
    // still waiting for it fails with this one.
    if (m_child) {
        m_child->kill();
        m_child.reset();
    }
    for (const std::shared_ptr<Pending>& p : m_inFlight) {
        p->done = true;
        p->failure = code;
        p->bystander = p != m_inFlight.front();
    }
    m_inFlight.clear();
    m_inbox.clear();
    m_stopAsked.reset();
    if (m_onFault)
        m_onFault(text::sj("ブリッジ（") + callName(kind) + text::sj("）：") + why + "(" + std::to_string(code) + ")");
    return code;
}

int BridgeNvLink::served(Kind kind, int result)
{
    // A COM failure inside the bridge arrives as a plain result; the bridge itself has no
    // error log (it writes the HRESULT on its standard error), so the line is written here.
    if (isComAdapterResult(result) && m_onFault)
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

std::optional<BridgeNvLink::Clock::duration> BridgeNvLink::deadlineOf(Kind kind) const
{
    std::chrono::milliseconds d{0};
    switch (kind) {
    case Kind::SetUIProperties: return std::nullopt;
    case Kind::Init: d = m_wait.deadlines.init; break;
    case Kind::Open: d = m_wait.deadlines.open; break;
    case Kind::RTOpen: d = m_wait.deadlines.rtOpen; break;
    case Kind::Status:
    case Kind::Gets:
    case Kind::Read:
    case Kind::Close:
    case Kind::Cancel: d = m_wait.deadlines.other; break;
    }
    if (d <= std::chrono::milliseconds(0))
        return std::nullopt;
    return d;
}

int BridgeNvLink::call(Kind kind, const std::string& request, std::string& answer, bool* bystander)
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
    const std::shared_ptr<Pending> p = send(kind, request);
    if (!p)
        return kBridgeEnded;
    if (const int r = await(*p); r < 0) {
        if (bystander)
            *bystander = p->bystander;
        return r;
    }
    answer = std::move(p->payload);
    return 0;
}

std::shared_ptr<BridgeNvLink::Pending> BridgeNvLink::send(Kind kind, const std::string& request)
{
    text::ChildProcess& child = *m_child;
    const ByteWriter write = [&child](const char* p, std::size_t n) { return child.write(p, n); };
    if (!writeFrame(write, static_cast<std::uint8_t>(kind), request)) {
        fail(kind, kBridgeEnded, text::sj("ブリッジが終了しています。"));
        return nullptr;
    }
    auto p = std::make_shared<Pending>();
    p->kind = kind;
    if (m_inFlight.empty())
        m_headSince = Clock::now();
    m_inFlight.push_back(p);
    return p;
}

int BridgeNvLink::await(const Pending& p)
{
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    while (!p.done) {
        // The bridge answers in order: the first request waiting is the one it works on.
        const Kind head = m_inFlight.front()->kind;
        const std::optional<Clock::duration> deadline = deadlineOf(head);
        milliseconds wait = m_wait.slice;
        if (!m_wait.serveEvents)
            wait = deadline ? std::max(milliseconds(1), duration_cast<milliseconds>(m_headSince + *deadline - Clock::now()))
                            : milliseconds(1000);
        if (m_stopAsked)
            wait = std::min(wait, std::max(milliseconds(1), duration_cast<milliseconds>(*m_stopAsked + m_wait.stopGrace -
                                                                                           Clock::now())));
        if (m_child->waitReadable(static_cast<int>(wait.count()))) {
            char buffer[16384];
            const std::ptrdiff_t n = m_child->read(buffer, sizeof buffer);
            if (n > 0) {
                m_inbox.append(buffer, static_cast<std::size_t>(n));
                takeAnswers();
            } else if (m_inbox.empty()) {
                fail(head, kBridgeEnded, text::sj("ブリッジが応答せずに終了しました。"));
            } else {
                fail(head, kBridgeGarbage, text::sj("ブリッジの応答が不正です。") + "(" + describe(FrameError::Truncated) + ")");
            }
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (m_stopAsked && now - *m_stopAsked >= m_wait.stopGrace) {
            fail(head, kBridgeStopped, text::sj("中止の後も応答がないため、ブリッジを終了しました。"));
        } else if (deadline && now - m_headSince >= *deadline) {
            const auto seconds = (duration_cast<milliseconds>(*deadline).count() + 999) / 1000;
            fail(head, kBridgeTimedOut,
                 std::to_string(seconds) + text::sj("秒以内に応答がないため、ブリッジを終了しました。"));
        } else if (m_wait.serveEvents) {
            // A click served here may call the service again: that request goes behind ours.
            m_wait.serveEvents();
        }
    }
    return p.failure;
}

void BridgeNvLink::takeAnswers()
{
    for (;;) {
        Frame frame;
        bool taken = false;
        const Kind head = m_inFlight.empty() ? Kind::Status : m_inFlight.front()->kind;
        const FrameError e = takeFrame(m_inbox, frame, taken);
        switch (e) {
        case FrameError::None: break;
        case FrameError::WrongVersion:
            fail(head, kBridgeWrongVersion, text::sj("ブリッジの版が違います。"));
            return;
        case FrameError::EndOfStream:
        case FrameError::Io:
        case FrameError::Truncated:
        case FrameError::BadMagic:
        case FrameError::Oversized:
            fail(head, kBridgeGarbage, text::sj("ブリッジの応答が不正です。") + "(" + describe(e) + ")");
            return;
        }
        if (!taken)
            return;
        if (m_inFlight.empty()) {
            fail(head, kBridgeGarbage, text::sj("ブリッジの応答が不正です。") + "(" + describe(FrameError::None) + ")");
            return;
        }
        const std::shared_ptr<Pending> answered = m_inFlight.front();
        if (frame.kind != (static_cast<std::uint8_t>(answered->kind) | kAnswerBit)) {
            fail(answered->kind, kBridgeWrongAnswer, text::sj("ブリッジが別の呼び出しに応答しました。"));
            return;
        }
        m_inFlight.pop_front();
        answered->done = true;
        answered->payload = std::move(frame.payload);
        // The next request's time starts now; a cancel was for the call just answered.
        m_headSince = Clock::now();
        m_stopAsked.reset();
        if (answered->unawaited && !answered->payload.empty()) {
            fail(answered->kind, kBridgeGarbage, text::sj("ブリッジの応答が不正です。"));
            return;
        }
    }
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
    bool bystander = false;
    if (const int r = call(Kind::Close, {}, answer, &bystander); r < 0)
        return bystander ? 0 : r; // ended over the call before it: nothing is open now either
    PayloadReader in(answer);
    const int result = in.integer();
    return in.finish() ? served(Kind::Close, result) : fail(Kind::Close, kBridgeGarbage, text::sj("ブリッジの応答が不正です。"));
}

void BridgeNvLink::NVCancel()
{
    if (!m_child)
        return;
    if (!m_inFlight.empty()) {
        // A click served while a call waits: the cancel goes behind that call, which gets a
        // moment to answer before the bridge is ended.
        if (const std::shared_ptr<Pending> p = send(Kind::Cancel, {})) {
            p->unawaited = true;
            stopWaiting();
        }
        return;
    }
    std::string answer;
    if (call(Kind::Cancel, {}, answer) < 0)
        return;
    if (!answer.empty())
        fail(Kind::Cancel, kBridgeGarbage, text::sj("ブリッジの応答が不正です。"));
}

void BridgeNvLink::stopWaiting() noexcept
{
    // The settings dialog is the user's to close, not ours.
    if (!m_inFlight.empty() && !m_stopAsked && deadlineOf(m_inFlight.front()->kind))
        m_stopAsked = Clock::now();
}

BridgeNvLinkFactory::BridgeNvLinkFactory(std::string commandLine, FaultReport onFault, BridgeWait wait)
    : m_commandLine(std::move(commandLine))
    , m_onFault(std::move(onFault))
    , m_wait(std::move(wait))
{
}

bool BridgeNvLinkFactory::installed() const
{
    if (m_commandLine.empty())
        return false;
    // A bridge that starts and answers; its own faults are not worth an error-log line here.
    // Asked at start, before there is a window to serve.
    BridgeWait wait = m_wait;
    wait.serveEvents = {};
    BridgeNvLink probe(m_commandLine, {}, wait);
    return probe.start() && !isBridgeCode(probe.NVStatus());
}

std::unique_ptr<NvLink> BridgeNvLinkFactory::create()
{
    return std::make_unique<BridgeNvLink>(m_commandLine, m_onFault, m_wait);
}

} // namespace tidemark::bridge
