#pragma once
// Shared between file_io.cpp and the file functions of each system: the disk-fault test
// seam's answer for a step.

#include <filesystem>

#include "text/file_io.h"

namespace tidemark::text::detail {

// 0 to go on, else the errno value the step fails with.
int injectedDiskFault(DiskStep step, const std::filesystem::path& path);

} // namespace tidemark::text::detail
