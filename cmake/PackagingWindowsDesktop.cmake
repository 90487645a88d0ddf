# What a Windows user downloads (preset windows-desktop):
#   tidemark2nv-<version>-win64-setup.exe     the installer (NSIS, 64-bit like its uninstaller):
#                                             Program Files\Tidemark2NV, a Start menu entry,
#                                             an uninstaller that leaves the user's files
#                                             (%LOCALAPPDATA%\Tidemark2NV) alone
#   tidemark2nv-<version>-win64-portable.zip  runs where it is unpacked, its files beside it
#
#   cmake --build --preset windows-desktop --target installer package
#
# Windows' file names ignore case: the companion tool cannot sit as tidemark2nv.exe beside
# Tidemark2NV.exe, so it is installed as tidemark2nv-cli.exe.
# Both hold the program, the companion tool, the 32-bit bridge (from the windows-cross-x86
# build: TIDEMARK_BRIDGE32_EXE), the manual (made by a Linux build: TIDEMARK_MANUAL_PDF_FILE),
# this README, Qt's DLLs and plugins and the compiler's runtime DLLs. Qt is LGPL: its DLLs
# are shipped unchanged beside the program with the licence, so a user may replace them.
# The installer adds the marker Tidemark2NV.installed, which sends the program's files to
# the user's folder; the zip has none, so the unpacked folder is the program folder.

# Qt's targets (its DLLs and plugins) are seen only where Qt is found: here too.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets)
if(TIDEMARK_BUILD_TESTS)
  find_package(Qt6 REQUIRED COMPONENTS Test)
endif()

set(TIDEMARK_MANUAL_PDF_FILE "" CACHE FILEPATH "Tidemark2NV.pdf for the installer and the zip")
set(TIDEMARK_BRIDGE32_EXE "" CACHE FILEPATH "tidemark2nv-link.exe of the 32-bit build (windows-cross-x86)")

# The compiler's runtime DLLs, which the program and Qt share.
set(runtime_dlls)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  string(MAKE_C_IDENTIFIER "${dll}" var)
  find_file(TIDEMARK_DLL_${var} ${dll}
    PATHS /usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/lib/gcc/x86_64-w64-mingw32/13-posix /usr/x86_64-w64-mingw32/lib
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  list(APPEND runtime_dlls "${TIDEMARK_DLL_${var}}")
endforeach()
set(qt_dlls "$<TARGET_FILE:Qt6::Core>" "$<TARGET_FILE:Qt6::Gui>" "$<TARGET_FILE:Qt6::Widgets>")
set(qt_platform "$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>")
set(qt_style "")
if(TARGET Qt6::QWindowsVistaStylePlugin)
  set(qt_style "$<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>")
endif()

# Every program in bin/ runs as it runs installed: the DLLs and plugins beside it (the GUI
# tests also take the off-screen platform plugin, which is not shipped).
set(test_platform "")
set(test_dlls "")
if(TARGET Qt6::QOffscreenIntegrationPlugin)
  set(test_platform "$<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin>")
endif()
if(TIDEMARK_BUILD_TESTS)
  set(test_dlls "$<TARGET_FILE:Qt6::Test>")
endif()
add_custom_target(windows_runtime ALL
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/bin/platforms" "${CMAKE_BINARY_DIR}/bin/styles"
  COMMAND "${CMAKE_COMMAND}" -E copy_if_different ${runtime_dlls} ${qt_dlls} ${test_dlls} "${CMAKE_BINARY_DIR}/bin/"
  COMMAND "${CMAKE_COMMAND}" -E copy_if_different ${qt_platform} ${test_platform} "${CMAKE_BINARY_DIR}/bin/platforms/"
  COMMAND "${CMAKE_COMMAND}" -E copy_if_different ${qt_style} "${CMAKE_BINARY_DIR}/bin/styles/"
  # The simulated bridge of the tests runs from a folder of its own.
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/test-bridge"
  COMMAND "${CMAKE_COMMAND}" -E copy_if_different ${runtime_dlls} "${CMAKE_BINARY_DIR}/test-bridge/"
  COMMENT "Qt's and the compiler's DLLs beside the programs"
  VERBATIM)

install(TARGETS Tidemark2NV RUNTIME DESTINATION .)
install(PROGRAMS "$<TARGET_FILE:tidemark2nv>" DESTINATION . RENAME tidemark2nv-cli.exe)
install(FILES ${runtime_dlls} ${qt_dlls} DESTINATION .)
install(FILES ${qt_platform} DESTINATION platforms)
if(qt_style)
  install(FILES ${qt_style} DESTINATION styles)
endif()
if(TIDEMARK_BRIDGE32_EXE)
  install(PROGRAMS "${TIDEMARK_BRIDGE32_EXE}" DESTINATION .)
endif()
if(TIDEMARK_MANUAL_PDF_FILE)
  install(FILES "${TIDEMARK_MANUAL_PDF_FILE}" DESTINATION . RENAME Tidemark2NV.pdf)
else()
  install(FILES "${PROJECT_SOURCE_DIR}/docs/manual/manual.html" DESTINATION . RENAME Tidemark2NV-manual.html)
endif()
install(FILES "${PROJECT_SOURCE_DIR}/README.md" DESTINATION .)
install(FILES "${TIDEMARK_QT_WINDOWS}/LGPL-3.0-only.txt" DESTINATION . RENAME Qt-LGPL-3.0.txt OPTIONAL)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME "tidemark2nv")
set(CPACK_PACKAGE_VENDOR "Tidemark2NV")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "tidemark2nv-${PROJECT_VERSION}-win64-portable")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The installer: the same files, staged by the install rules, with the marker.
find_program(TIDEMARK_MAKENSIS makensis)
if(TIDEMARK_MAKENSIS)
  set(setup "${CMAKE_BINARY_DIR}/tidemark2nv-${PROJECT_VERSION}-win64-setup.exe")
  set(stage "${CMAKE_BINARY_DIR}/installer-stage")
  add_custom_target(installer
    COMMAND "${CMAKE_COMMAND}" -E rm -rf "${stage}"
    COMMAND "${CMAKE_COMMAND}" --install "${CMAKE_BINARY_DIR}" --prefix "${stage}" --strip
    COMMAND "${CMAKE_COMMAND}" -E copy "${PROJECT_SOURCE_DIR}/packaging/Tidemark2NV.installed" "${stage}/"
    COMMAND "${CMAKE_COMMAND}" -DSTAGE=${stage} -DOUT_EXE=${setup} -DVERSION=${PROJECT_VERSION}
            -DICON=${PROJECT_SOURCE_DIR}/packaging/tidemark2nv.ico
            -DTEMPLATE=${PROJECT_SOURCE_DIR}/packaging/tidemark2nv.nsi.in
            -DNSI=${CMAKE_BINARY_DIR}/tidemark2nv.nsi -P "${PROJECT_SOURCE_DIR}/cmake/WriteNsis.cmake"
    COMMAND "${TIDEMARK_MAKENSIS}" -V2 "${CMAKE_BINARY_DIR}/tidemark2nv.nsi"
    DEPENDS Tidemark2NV tidemark2nv windows_runtime
    COMMENT "The installer tidemark2nv-${PROJECT_VERSION}-win64-setup.exe"
    VERBATIM)
endif()
