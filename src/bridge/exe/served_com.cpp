#include "bridge/exe/served_link.h"

#include "nvcom/com_nv_link.h"

namespace tidemark::bridge {

// The provider's component, created in this (usually 32-bit) process. Its faults travel to
// the program as the call's result; the bridge writes no log of its own.
std::unique_ptr<NvLink> makeServedLink(const std::vector<std::string>& args, std::string& error)
{
    if (!args.empty()) {
        error = "unknown option " + args.front();
        return nullptr;
    }
    auto link = std::make_unique<nvcom::ComNvLink>(nullptr);
    if (!link->created()) {
        error = std::string("the component ") + nvcom::kProgId + " cannot be created";
        return nullptr;
    }
    return link;
}

const char* servedName() { return "the provider's component (NVDTLablib.NVLink)"; }

} // namespace tidemark::bridge
