# cpack -G DEB: one package with everything `cmake --install` puts in place, under /usr. Its
# Depends come from dpkg-shlibdeps on the installed programs; libcurl4 is among them through
# updatecheck, and it is the library the updater loads when it checks for an update.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(UPDATER_PACKAGE_CONTACT "${PROJECT_NAME} maintainers <maintainers@updater.invalid>" CACHE STRING
    "Maintainer of the Debian package")
set(CPACK_PACKAGE_CONTACT "${UPDATER_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "launcher and self-updater for one program, and its XML library")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The updater lives in a program's installation folder and is started in its
place: it starts the installed version, then downloads, verifies and unpacks a
newer one from the update server. /usr/lib/updater/updater is the file a
publisher copies into a program's folder; updatecheck shows what a start would
do, publish writes signed update packages and xmlcheck checks markup files.
The markup document library comes with headers, a CMake package and a
pkg-config file.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
