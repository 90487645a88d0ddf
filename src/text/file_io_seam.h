#pragma once
// Shared between file_io.cpp and the file functions of each system: the disk-fault test
// seam's answer for a step.

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "text/file_io.h"

namespace tidemark::text::detail {

// 0 to go on, else the errno value the step fails with.
int injectedDiskFault(DiskStep step, const std::filesystem::path& path);

// The system half of StreamedFile: an open file as the system's handle. Failures throw
// FileError naming `target`; a failed call leaves the handle closed.
std::intptr_t createForWriting(const std::filesystem::path& file, const std::filesystem::path& target);
void writeAll(std::intptr_t& handle, std::string_view bytes, const std::filesystem::path& target);
void syncAndClose(std::intptr_t& handle, const std::filesystem::path& target);
void closeQuietly(std::intptr_t& handle) noexcept;
void removeQuietly(const std::filesystem::path& file) noexcept;

} // namespace tidemark::text::detail
