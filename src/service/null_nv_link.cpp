#include "service/null_nv_link.h"

namespace tidemark {

int NullNvLink::NVInit(std::string_view) { return 0; }

int NullNvLink::NVSetUIProperties() { return 0; }

int NullNvLink::NVOpen(std::string_view, std::string_view, int, int& readCount, int& downloadCount,
                       std::string& lastFileTimeStamp)
{
    readCount = 0;
    downloadCount = 0;
    lastFileTimeStamp.clear();
    return -1;
}

int NullNvLink::NVStatus() { return 0; }

int NullNvLink::NVGets(std::string& buffer, int, std::string& fileName)
{
    buffer.clear();
    fileName.clear();
    return 0;
}

int NullNvLink::NVRead(std::string& record, int, std::string& fileName)
{
    record.clear();
    fileName.clear();
    return 0;
}

int NullNvLink::NVRTOpen(std::string_view, std::string_view) { return -1; }

int NullNvLink::NVClose() { return 0; }

void NullNvLink::NVCancel() {}

std::unique_ptr<NvLink> NullNvLinkFactory::create() { return std::make_unique<NullNvLink>(); }

} // namespace tidemark
