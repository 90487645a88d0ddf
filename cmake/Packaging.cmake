# Installation and the Debian package.
#
# Installed, the program keeps its executable, its manual, its icon and the marker
# Tidemark2NV.installed together in <prefix>/lib/tidemark2nv; the marker tells the program
# to keep its settings, store, CSV exports and error log in the user's data folder
# (~/.local/share/Tidemark2NV). <prefix>/bin/Tidemark2NV links to the executable, and the
# desktop entry and the icon put it in the desktop's menu. The companion tool is installed
# the same way (<prefix>/bin/tidemark2nv), so it works on the folder the window fills.
#
#   cmake --install build/release --prefix ~/.local
#   cd build/release && cpack -G DEB

set(TIDEMARK_APP_DIR "lib/tidemark2nv")

install(TARGETS Tidemark2NV RUNTIME DESTINATION "${TIDEMARK_APP_DIR}")
# The companion tool beside the window, so the marker sends both to the same user folder.
install(TARGETS tidemark2nv RUNTIME DESTINATION "${TIDEMARK_APP_DIR}")
install(FILES "${TIDEMARK_MANUAL_PDF}" DESTINATION "${TIDEMARK_APP_DIR}" OPTIONAL)
install(FILES "${PROJECT_SOURCE_DIR}/packaging/Tidemark2NV.installed" DESTINATION "${TIDEMARK_APP_DIR}")
install(FILES "${TIDEMARK_PICTURES}/tidemark2nv_256.png" DESTINATION "${TIDEMARK_APP_DIR}"
        RENAME tidemark2nv.png OPTIONAL)
foreach(size 48 128 256)
  install(FILES "${TIDEMARK_PICTURES}/tidemark2nv_${size}.png"
          DESTINATION "share/icons/hicolor/${size}x${size}/apps" RENAME tidemark2nv.png OPTIONAL)
endforeach()
install(FILES "${PROJECT_SOURCE_DIR}/packaging/tidemark2nv.desktop" DESTINATION share/applications)

file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/launcher")
file(CREATE_LINK "../${TIDEMARK_APP_DIR}/Tidemark2NV" "${CMAKE_BINARY_DIR}/launcher/Tidemark2NV" SYMBOLIC)
file(CREATE_LINK "../${TIDEMARK_APP_DIR}/tidemark2nv" "${CMAKE_BINARY_DIR}/launcher/tidemark2nv" SYMBOLIC)
install(FILES "${CMAKE_BINARY_DIR}/launcher/Tidemark2NV" "${CMAKE_BINARY_DIR}/launcher/tidemark2nv" DESTINATION bin)

set(CPACK_PACKAGE_NAME "tidemark2nv")
set(CPACK_PACKAGE_VENDOR "Tidemark2NV")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Time series of the odds of Japanese local horse racing (NAR)")
set(CPACK_PACKAGE_DESCRIPTION
    "Tidemark2 for NAR keeps the race cards, payouts and odds of the data service in a local store and shows, race by race, how the win, place, bracket-quinella and quinella odds moved before the start. It includes a simulated data service.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tidemark2NV maintainers <maintainers@users.noreply.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's platform plugins and a Japanese font are loaded at run time, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
