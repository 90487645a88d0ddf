# The Windows desktop build (preset windows-desktop): the MinGW-w64 compilers of the Qt
# build, and the Qt for Windows that scripts/build-qt-windows.sh keeps in its cache folder
# (asked of the script, so both always agree on the folder; or given as TIDEMARK_QT_WINDOWS).
# Host tools (moc, rcc, uic) come from Debian's own Qt of the same version.
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64-qt.cmake")

if(NOT TIDEMARK_QT_WINDOWS AND DEFINED ENV{TIDEMARK_QT_WINDOWS})
  set(TIDEMARK_QT_WINDOWS "$ENV{TIDEMARK_QT_WINDOWS}")
endif()
if(NOT TIDEMARK_QT_WINDOWS)
  execute_process(COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/../../scripts/build-qt-windows.sh" --prefix
                  OUTPUT_VARIABLE TIDEMARK_QT_WINDOWS OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
if(NOT EXISTS "${TIDEMARK_QT_WINDOWS}/.complete")
  message(FATAL_ERROR "No Qt for Windows in '${TIDEMARK_QT_WINDOWS}': run bash scripts/build-qt-windows.sh first")
endif()
# Seen by try_compile too.
set(ENV{TIDEMARK_QT_WINDOWS} "${TIDEMARK_QT_WINDOWS}")
list(APPEND CMAKE_FIND_ROOT_PATH "${TIDEMARK_QT_WINDOWS}")
list(APPEND CMAKE_PREFIX_PATH "${TIDEMARK_QT_WINDOWS}")
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
