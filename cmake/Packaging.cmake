# The Debian package, made by CPack from the install rules:
#   cmake -B build/package -DCMAKE_INSTALL_PREFIX=/usr ... && cpack (make package)
# Its dependencies are computed from the programs' shared libraries
# (dpkg-shlibdeps), so the package asks for exactly the libraries the build
# linked against.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME drapewell)
set(CPACK_PACKAGE_VENDOR "Drapewell developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop wallpaper rotator")
set(CPACK_PACKAGE_DESCRIPTION
  "Drapewell sits in the tray, walks a folder of pictures and changes the\n\
desktop wallpaper on a click, a global hotkey, the tray menu or a timer,\n\
in order or at random, fitted to the screen. It also plays background\n\
music from a second folder. drapewell-tool reads, converts and applies\n\
pictures from the command line.")
set(CPACK_PACKAGE_CONTACT "Drapewell developers <dev@drapewell.invalid>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://drapewell.invalid/")
set(CPACK_STRIP_FILES ON)
# The package installs where the programs were configured to look (the
# sample pictures' directory is compiled in): configure with /usr.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})

set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # drapewell_VERSION_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins and media backends at run time, where
# shlibdeps does not see them: Wayland sessions want qt6-wayland, the
# background music a GStreamer backend.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, gstreamer1.0-plugins-good")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "swaybg, xdg-desktop-portal")

include(CPack)
