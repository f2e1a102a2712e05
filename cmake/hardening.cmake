# Debian's hardening flags (stack protector, fortified string functions, format
# checks, read-only relocations bound at start-up), as dpkg-buildflags gives
# them, for the optimised builds of the program and its package. The build's
# own optimisation and debug settings stay; sanitizer and fuzz builds and
# Debug builds (fortify needs optimisation) go without.
find_program(QUINTARO_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT QUINTARO_DPKG_BUILDFLAGS OR QUINTARO_SANITIZER_BUILD OR QUINTARO_FUZZ
   OR CMAKE_BUILD_TYPE STREQUAL "Debug")
  return()
endif()

function(quintaro_buildflags name out)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${QUINTARO_DPKG_BUILDFLAGS} --get ${name}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    set(flags "")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  # Optimisation, debug information and path mapping are the build type's.
  list(FILTER flags EXCLUDE REGEX "^-(O.*|g.*|ffile-prefix-map=.*|fdebug-prefix-map=.*)$")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

quintaro_buildflags(CPPFLAGS quintaro_cppflags)
quintaro_buildflags(CXXFLAGS quintaro_cxxflags)
quintaro_buildflags(LDFLAGS quintaro_ldflags)
add_compile_options(${quintaro_cppflags} ${quintaro_cxxflags})
add_link_options(${quintaro_ldflags})
