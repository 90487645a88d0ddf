#include "bridge/exe/served_link.h"

#include <iostream>

#include "nvcom/com_nv_link.h"
#include "text/cp932.h"

namespace tidemark::bridge {

// The provider's component, created in this (usually 32-bit) process. Its faults travel to
// the program as the call's result, which the program logs; the HRESULT and the component's
// own text go to the bridge's standard error.
std::unique_ptr<NvLink> makeServedLink(const std::vector<std::string>& args, std::string& error)
{
    if (!args.empty()) {
        error = "unknown option " + args.front();
        return nullptr;
    }
    auto link = std::make_unique<nvcom::ComNvLink>(
        [](const std::string& line) { std::cerr << "tidemark2nv-link: " << text::toUtf8(line) << '\n'; },
        true); // the bridge has no message loop of its own
    if (!link->created()) {
        error = std::string("the component ") + nvcom::kProgId + " cannot be created";
        return nullptr;
    }
    return link;
}

const char* servedName() { return "the provider's component (NVDTLablib.NVLink)"; }

} // namespace tidemark::bridge
