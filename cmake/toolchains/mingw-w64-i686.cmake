# Windows x86 (32-bit) programs from Debian's MinGW-w64 cross compiler; see the x86_64 file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TIDEMARK_MINGW_TRIPLE i686-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake")
# SSE2 arithmetic as on x86_64: the x87 unit's wider intermediates would round the
# simulated world's sums differently.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
