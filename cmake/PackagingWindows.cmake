# The zip of the Windows companion tool (cross build): tidemark2nv.exe, statically
# linked, with the README and the manual, unpacked into one folder that is also the
# tool's program folder.
#
#   cmake --build --preset windows-cross --target package
#
# The manual's PDF is made by the desktop build on Linux; give it as
# TIDEMARK_MANUAL_PDF_FILE to put it in the zip, which otherwise carries the manual's HTML.

set(TIDEMARK_MANUAL_PDF_FILE "" CACHE FILEPATH "Tidemark2NV.pdf to put in the Windows zip")

install(TARGETS tidemark2nv RUNTIME DESTINATION .)
# The bridge serving the provider's 32-bit component: useful only as a 32-bit program, so it
# comes with the 32-bit zip; a 64-bit program finds it when it is copied beside it.
if(TARGET tidemark2nv-link AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  install(TARGETS tidemark2nv-link RUNTIME DESTINATION .)
endif()
install(FILES "${PROJECT_SOURCE_DIR}/README.md" DESTINATION .)
if(TIDEMARK_MANUAL_PDF_FILE)
  install(FILES "${TIDEMARK_MANUAL_PDF_FILE}" DESTINATION . RENAME Tidemark2NV.pdf)
else()
  install(FILES "${PROJECT_SOURCE_DIR}/docs/manual/manual.html" DESTINATION . RENAME Tidemark2NV-manual.html)
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(arch win64)
else()
  set(arch win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME "tidemark2nv")
set(CPACK_PACKAGE_VENDOR "Tidemark2NV")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "tidemark2nv-${PROJECT_VERSION}-${arch}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
