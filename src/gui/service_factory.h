#pragma once
// Which data-service component the desktop program uses.

#include <filesystem>
#include <memory>

#include "service/nv_link.h"

namespace tidemark::gui {

class QtHost;

std::unique_ptr<NvLinkFactory> makeServiceFactory(const std::filesystem::path& programFolder, QtHost& host);

} // namespace tidemark::gui
