# Installation and the Debian package.
#
# The program finds its pages and skin library beside itself, so everything
# it ships lives in one program directory at a fixed place. A launcher in
# /usr/bin starts it from a per-user working directory, where it keeps its
# pictures, caches and player page (the program directory is read-only to
# users).
#
#   cmake --install build                    # onto this system
#   DESTDIR=/tmp/stage cmake --install build # into a staging root
#   cd build && cpack -G DEB                 # zirta-tv_<version>_<arch>.deb
#
# The destinations are absolute on purpose: the launcher and the desktop
# entry name these places, so CMAKE_INSTALL_PREFIX does not move them. DESTDIR
# still does.

set(ZIRTA_INSTALL_DIR /opt/zirta-tv CACHE INTERNAL "The installed program directory")
set(ZIRTA_PACKAGE_MAINTAINER "Zirta TV maintainers <zirta-tv@localhost>" CACHE STRING
    "Maintainer field of the Debian package")

# --- the program directory: what the build tree holds beside the program ----

install(TARGETS zirta-tv RUNTIME DESTINATION ${ZIRTA_INSTALL_DIR})
# dlopen needs no execute bit on the skin library.
install(TARGETS skin_feature LIBRARY DESTINATION ${ZIRTA_INSTALL_DIR}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# The same assets the build copies beside the program: category pages, the
# player script, the skin file and the pictures.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/assets/ DESTINATION ${ZIRTA_INSTALL_DIR}
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
        DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                              GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# --- the desktop: launcher, menu entry, icons --------------------------------

install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/zirta-tv DESTINATION /usr/bin)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zirta-tv.desktop DESTINATION /usr/share/applications)
foreach(size 48x48 256x256)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/${size}/zirta-tv.png
          DESTINATION /usr/share/icons/hicolor/${size}/apps)
endforeach()

# --- the Debian package --------------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zirta-tv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ZIRTA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for internet TV channels (Зирта TV)")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Зирта TV is a desktop viewer for internet television channels with a\n\
Russian interface. It pages through a TV listing site's channel catalogue,\n\
shows each channel's thumbnail and title, and plays the chosen channel in\n\
an embedded WebKitGTK browser.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Every path is absolute; the prefix only keeps CPack from adding an empty
# /usr/local to the package.
set(CPACK_PACKAGING_INSTALL_PREFIX ${ZIRTA_INSTALL_DIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# dpkg-shlibdeps (package dpkg-dev) reads the libraries the program and the
# skin library link against and writes Depends with the right versions.
# Without it the same libraries are named by hand.
find_program(ZIRTA_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ZIRTA_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libc6, libstdc++6, libgcc-s1, libglib2.0-0, libgtk-3-0, libwebkit2gtk-4.1-0, libcurl4, libjpeg62-turbo")
endif()
# WebKitGTK plays media through GStreamer; without these plugins most
# channels' streams have no decoder.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-libav")

include(CPack)
