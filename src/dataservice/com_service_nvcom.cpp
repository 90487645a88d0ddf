#include "dataservice/service_choice.h"

#include "nvcom/com_nv_link.h"

namespace tidemark::dataservice {

// The provider's component in this process, where it can be created (a 64-bit program
// cannot load a 32-bit component: the automatic choice then tries the bridge).
std::unique_ptr<NvLinkFactory> makeComFactory(bridge::FaultReport onFault)
{
    return std::make_unique<nvcom::ComNvLinkFactory>(std::move(onFault));
}

} // namespace tidemark::dataservice
