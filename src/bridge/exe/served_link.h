#pragma once
// The component the bridge serves, chosen when the bridge is built.

#include <memory>
#include <string>
#include <vector>

#include "service/nv_link.h"

namespace tidemark::bridge {

// args: the bridge's own arguments. Null with `error` set when the component cannot be
// created; the bridge then ends at once, so its client sees "not installed".
std::unique_ptr<NvLink> makeServedLink(const std::vector<std::string>& args, std::string& error);

// One line for standard error: what this bridge serves.
const char* servedName();

} // namespace tidemark::bridge
