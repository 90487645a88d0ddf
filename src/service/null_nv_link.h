#pragma once
// A data-service component that has nothing to deliver: it answers every call as the
// provider's component does when the service holds no data for the request, so the
// program runs (and every caller's "nothing there" path is taken) without a service.

#include <memory>

#include "service/nv_link.h"

namespace tidemark {

class NullNvLink : public NvLink {
public:
    // 0: ready, whatever the service id.
    int NVInit(std::string_view serviceId) override;
    // 0: there is no settings dialog to show, so nothing can fail.
    int NVSetUIProperties() override;
    // -1 "nothing newer" with read count 0, download count 0 and a blank time stamp;
    // no transfer stays open.
    int NVOpen(std::string_view dataSpec, std::string_view fromTime, int option, int& readCount,
               int& downloadCount, std::string& lastFileTimeStamp) override;
    // 0: no files fetched, which equals the download count 0, so polling ends at once.
    int NVStatus() override;
    // 0 "all read" with an empty record and file name.
    int NVGets(std::string& buffer, int size, std::string& fileName) override;
    int NVRead(std::string& record, int size, std::string& fileName) override;
    // -1: no data for this key, as the component answers for a race or day it does
    // not hold.
    int NVRTOpen(std::string_view dataSpec, std::string_view key) override;
    // 0: closing is always possible, open or not.
    int NVClose() override;
    // Nothing runs, so there is nothing to stop.
    void NVCancel() override;
};

// A component is installed; it is the empty one.
class NullNvLinkFactory : public NvLinkFactory {
public:
    bool installed() const override { return true; }
    std::unique_ptr<NvLink> create() override;
};

// No component is installed on this machine: the program tells the user to install
// the provider's client and ends. create() has nothing to create and gives nullptr.
class NotInstalledNvLinkFactory : public NvLinkFactory {
public:
    bool installed() const override { return false; }
    std::unique_ptr<NvLink> create() override { return nullptr; }
};

} // namespace tidemark
