#include "dataservice/service_choice.h"

namespace tidemark::dataservice {

// This build has no COM adapter: the component can only be reached through the bridge.
std::unique_ptr<NvLinkFactory> makeComFactory(bridge::FaultReport)
{
    return nullptr;
}

} // namespace tidemark::dataservice
