#pragma once
// The provider's component (ProgID "NVDTLablib.NVLink") in this process, late bound through
// IDispatch. Each call's parameters are passed as the component's own type information
// declares them (BSTR or VARIANT out-parameters, a byte array or a text for the record
// buffer, short or long sizes); a component without type information gets the shapes its
// documentation implies. Texts leave as the CP932 bytes of the record.
//
// The component lives in a single-threaded apartment: create and call it on one thread.
// A COM failure never throws: it becomes one of the results below and a line for the
// error log naming the call and the HRESULT.

#include <functional>
#include <memory>
#include <string>

#include "service/nv_link.h"
#include "service/nv_message.h"

namespace tidemark::nvcom {

inline constexpr const char* kProgId = "NVDTLablib.NVLink";

// The adapter's own results (-1001 … -1099; none is the component's or the bridge's).
inline constexpr int kComNotCreated = -1001;     // the component could not be created
inline constexpr int kComNoSuchCall = -1002;     // the component does not know the call's name
inline constexpr int kComCallFailed = -1003;     // the call failed with an HRESULT
inline constexpr int kComException = -1004;      // the component raised an exception
inline constexpr int kComBadAnswer = -1005;      // a result or out-parameter of a type we cannot read
inline constexpr int kComUnusableDeclaration = -1006; // parameters declared in a way we cannot pass

inline constexpr bool isComCode(int r) { return isComAdapterResult(r); }

// A CP932 line for the error log.
using FaultReport = std::function<void(const std::string& cp932)>;

class ComNvLink : public NvLink {
public:
    // Creates the component now; when that fails, every call answers kComNotCreated.
    // pumpMessages: for a thread without a message loop (the bridge waits on its input
    // between calls): the thread's pending window messages are dispatched before each call,
    // so that a component working through its own window messages (timers, downloads in
    // progress) moves on while its caller polls. The window pumps them itself.
    explicit ComNvLink(FaultReport onFault, bool pumpMessages = false);
    ~ComNvLink() override;
    ComNvLink(const ComNvLink&) = delete;
    ComNvLink& operator=(const ComNvLink&) = delete;

    bool created() const;

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

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

// installed(): the component can be created in this process (created and released at once).
class ComNvLinkFactory : public NvLinkFactory {
public:
    explicit ComNvLinkFactory(FaultReport onFault);
    bool installed() const override;
    std::unique_ptr<NvLink> create() override;

private:
    FaultReport m_onFault;
};

} // namespace tidemark::nvcom
