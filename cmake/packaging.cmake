# Installing Quintaro as a desktop program (`make install PREFIX=...`, by default
# into /usr/local) with the runtime as a library beside it, and their Debian
# packages (`make package`, built by CPack from the same rules into /usr): the
# "program" component is quintaro, the "dev" one libquintaro-dev. The packages
# are made from the finished build: CPack only runs these install rules, it
# compiles nothing.

# Installing and packaging take what the calculator's targets built (the Makefile
# builds those first); they do not build the tests that a full build holds.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(QUINTARO_MAINTAINER "Quintaro developers <developers@quintaro.invalid>"
    CACHE STRING "Maintainer named by the Debian package and its changelog")

# Files made at build time: the compressed manual page and changelog (gzip -n:
# no name or time stamp inside, so the same sources give the same package).
set(QUINTARO_DATA_DIR ${CMAKE_BINARY_DIR}/data)
configure_file(${CMAKE_SOURCE_DIR}/data/changelog.in ${QUINTARO_DATA_DIR}/changelog @ONLY)
foreach(source ${CMAKE_SOURCE_DIR}/data/quintaro.1 ${QUINTARO_DATA_DIR}/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(
    OUTPUT ${QUINTARO_DATA_DIR}/${name}.gz
    COMMAND sh -c "gzip -9 -n -c \"$0\" > \"$1\"" ${source} ${QUINTARO_DATA_DIR}/${name}.gz
    DEPENDS ${source}
    VERBATIM)
endforeach()
add_custom_target(desktop_files ALL DEPENDS
  ${QUINTARO_DATA_DIR}/quintaro.1.gz ${QUINTARO_DATA_DIR}/changelog.gz)

install(TARGETS quintaro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/data/quintaro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/data/quintaro.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME invalid.quintaro.quintaro.metainfo.xml COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/data/quintaro.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT program)
install(FILES ${QUINTARO_DATA_DIR}/quintaro.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/data/copyright
              ${QUINTARO_DATA_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT program)
# Every picture the README shows, at the same relative path.
file(GLOB QUINTARO_README_PICTURES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.png)
install(FILES ${QUINTARO_README_PICTURES} DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs COMPONENT program)

include(${CMAKE_SOURCE_DIR}/cmake/library_install.cmake)

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program dev)
set(CPACK_PACKAGE_NAME quintaro)
set(CPACK_PACKAGE_VENDOR "Quintaro developers")
set(CPACK_PACKAGE_CONTACT "${QUINTARO_MAINTAINER}")
# Each package's description opens with its summary line; with no summary of
# the whole project set, CPack puts nothing before it.
string(CONCAT CPACK_DEBIAN_PROGRAM_DESCRIPTION
  "sample-length calculator for music producers\n"
  "Quintaro asks for the sample rate of a session and a tempo in beats per\n"
  "minute, and shows how many samples a beat lasts, and with it 4 measures,\n"
  "2 measures, a measure, a whole note and the notes from 1/2 down to 1/32.\n"
  "It runs in a window that behaves like the screen of a DOS-era PC.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME quintaro)
set(CPACK_DEBIAN_PROGRAM_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libquintaro-dev)
set(CPACK_DEBIAN_DEV_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
string(CONCAT CPACK_DEBIAN_DEV_DESCRIPTION
  "runtime of a DOS-era PC world in an X11 window (development files)\n"
  "The runtime Quintaro is built on, as static libraries with their headers:\n"
  "screen modes, fonts, text and graphics statements, the INPUT line editor,\n"
  "the keyboard buffer, files, serial ports, the shell, the clipboard and\n"
  "CHAIN. A program includes <quintaro.h>, defines program_main() and finds\n"
  "the libraries with CMake (find_package(Quintaro)) or pkg-config.")
# The static libraries need the outside libraries' development files to link.
string(CONCAT CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
  "libglut-dev, libglew-dev, libglu1-mesa-dev | libglu-dev, libgl-dev, libx11-dev, "
  "libxi-dev, libxcb1-dev, libfreetype-dev, libfontconfig-dev")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The run-time dependencies are what dpkg-shlibdeps finds the executable linked against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
