#pragma once
// The data-service component, call for call. Results are signed integers and no call
// throws. Record texts travel as CP932 bytes, the program's own code page.

#include <memory>
#include <string>
#include <string_view>

namespace tidemark {

class NvLink {
public:
    virtual ~NvLink() = default;

    // 0 ready.
    virtual int NVInit(std::string_view serviceId) = 0;
    // 0 done; shows the component's own settings dialog.
    virtual int NVSetUIProperties() = 0;
    // Stored-data channel. 0 opened, -1 nothing newer, other non-zero an error.
    // lastFileTimeStamp: "yyyymmddhhnnss", blank or "00000000000000" when none.
    virtual int NVOpen(std::string_view dataSpec, std::string_view fromTime, int option,
                       int& readCount, int& downloadCount, std::string& lastFileTimeStamp) = 0;
    // Files fetched so far (0 … download count); negative on error.
    virtual int NVStatus() = 0;
    // One record into `buffer` (at most `size` bytes): > 0 its length; 0 all read;
    // -1 next file starts; -2/-3 not ready, call again; < -3 error.
    virtual int NVGets(std::string& buffer, int size, std::string& fileName) = 0;
    // As NVGets, the record returned as text.
    virtual int NVRead(std::string& record, int size, std::string& fileName) = 0;
    // Real-time channel: "0B41"/"0B42" with a race key, "0B12" with a day key.
    virtual int NVRTOpen(std::string_view dataSpec, std::string_view key) = 0;
    virtual int NVClose() = 0;
    // Stops a running NVOpen transfer.
    virtual void NVCancel() = 0;

    // The user cancelled: a call still waiting for a component in another process gives up
    // soon. A component in this process returns from its calls on its own.
    virtual void stopWaiting() noexcept {}
};

// Says whether a component is installed on this machine and creates it.
class NvLinkFactory {
public:
    virtual ~NvLinkFactory() = default;
    virtual bool installed() const = 0;
    virtual std::unique_ptr<NvLink> create() = 0;
};

} // namespace tidemark
