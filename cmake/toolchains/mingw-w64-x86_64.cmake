# Windows x86_64 programs from Debian's MinGW-w64 cross compiler (POSIX threads, so that
# std::thread and std::mutex work), linked statically: each .exe runs on its own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TIDEMARK_MINGW_TRIPLE x86_64-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake")
