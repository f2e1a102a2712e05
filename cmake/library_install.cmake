# Installing the runtime as a library for other programs: the static library of
# each runtime folder and the entry library, the headers that <quintaro.h>
# reaches, a CMake package (find_package(Quintaro) gives Quintaro::runtime) and
# a pkg-config file. All of it is the "dev" component, packaged apart from the
# calculator as libquintaro-dev.
include(CMakePackageConfigHelpers)

set(QUINTARO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Quintaro)

install(TARGETS ${QUINTARO_FOLDER_TARGETS} quintaro_entry quintaro_runtime
        EXPORT QuintaroTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
install(EXPORT QuintaroTargets NAMESPACE Quintaro:: DESTINATION ${QUINTARO_CMAKE_DIR} COMPONENT dev)

# The one public header and what it includes: each folder's public header,
# plus the two others those reach (the compiler's -MM of <quintaro.h> lists the
# same set; an out-of-tree build against the staged install checks it).
install(FILES ${CMAKE_SOURCE_DIR}/include/quintaro.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quintaro COMPONENT dev)
set(QUINTARO_EXTRA_HEADERS core/shared_memory.h image/pixels.h)
foreach(layer ${QUINTARO_LAYERS})
  string(REPLACE "," ";" folders "${layer}")
  foreach(folder ${folders})
    list(APPEND QUINTARO_PUBLIC_HEADERS ${folder}/${folder}.h)
  endforeach()
endforeach()
foreach(header ${QUINTARO_PUBLIC_HEADERS} ${QUINTARO_EXTRA_HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${CMAKE_SOURCE_DIR}/runtime/${header}
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quintaro/runtime/${folder} COMPONENT dev)
endforeach()

configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/QuintaroConfig.cmake.in
  ${CMAKE_BINARY_DIR}/QuintaroConfig.cmake INSTALL_DESTINATION ${QUINTARO_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/QuintaroConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/QuintaroConfig.cmake ${CMAKE_BINARY_DIR}/QuintaroConfigVersion.cmake
        DESTINATION ${QUINTARO_CMAKE_DIR} COMPONENT dev)

# pkg-config: the libraries highest layer first, so a single pass of the linker
# resolves each one's calls into those after it. The prefix is found from where
# the file lies, so a staged install works as well as an installed one.
set(QUINTARO_PC_LIBS "-lquintaro_entry")
set(layers ${QUINTARO_LAYERS})
list(REVERSE layers)
foreach(layer ${layers})
  string(REPLACE "," ";" folders "${layer}")
  foreach(folder ${folders})
    string(APPEND QUINTARO_PC_LIBS " -lquintaro_${folder}")
  endforeach()
endforeach()
file(RELATIVE_PATH QUINTARO_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" QUINTARO_PC_TO_PREFIX "${QUINTARO_PC_TO_PREFIX}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/quintaro.pc.in ${CMAKE_BINARY_DIR}/quintaro.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/quintaro.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# The -dev package's own copyright and changelog.
install(FILES ${CMAKE_SOURCE_DIR}/data/copyright ${QUINTARO_DATA_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/libquintaro-dev COMPONENT dev)
