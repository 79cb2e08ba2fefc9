# Build glue for the executable's resources.
#
#   include(<this file>)
#   zenta_add_resources(<target>)
#
# generates the icon files at build time with a host-side python3 script,
# compiles zenta.rc with the toolchain's windres into a COFF object and adds
# that object to <target>.  The version comes from version.cmake; the build
# number, its fourth part, from the cache variable ZENTA_BUILD_NUMBER.

include(${CMAKE_CURRENT_LIST_DIR}/version.cmake)

set(ZENTA_BUILD_NUMBER "0" CACHE STRING
    "Build number: fourth part of the executable's file version (0..65535)")

# Each part of a Windows file version is a 16-bit field.
if(NOT ZENTA_BUILD_NUMBER MATCHES "^[0-9]+$" OR ZENTA_BUILD_NUMBER GREATER 65535)
  message(FATAL_ERROR
    "ZENTA_BUILD_NUMBER must be an integer from 0 to 65535, got '${ZENTA_BUILD_NUMBER}'")
endif()
# Normalise "007" to "7" so the numeric and the string forms agree.
math(EXPR ZENTA_BUILD_NUMBER_VALUE "${ZENTA_BUILD_NUMBER}")

# The generator runs on the build host, whatever the target.
find_program(ZENTA_PYTHON3 NAMES python3 REQUIRED NO_CMAKE_FIND_ROOT_PATH)

# The resource compiler of the toolchain: CMAKE_RC_COMPILER when the
# toolchain names one, else windres with the C++ compiler's target prefix
# (x86_64-w64-mingw32-g++ -> x86_64-w64-mingw32-windres).
if(CMAKE_RC_COMPILER)
  set(ZENTA_WINDRES "${CMAKE_RC_COMPILER}" CACHE FILEPATH "Resource compiler")
else()
  get_filename_component(_zenta_cxx_name "${CMAKE_CXX_COMPILER}" NAME)
  string(REGEX REPLACE "(g|c|clang)\\+\\+.*$" "" _zenta_prefix "${_zenta_cxx_name}")
  find_program(ZENTA_WINDRES NAMES ${_zenta_prefix}windres windres NO_CMAKE_FIND_ROOT_PATH)
endif()

function(zenta_add_resources target)
  if(NOT WIN32)
    message(STATUS "zenta_add_resources(${target}): not a Windows target, no resources")
    return()
  endif()
  if(NOT ZENTA_WINDRES)
    message(FATAL_ERROR "zenta_add_resources: no windres found for ${CMAKE_CXX_COMPILER}")
  endif()

  set(src "${CMAKE_CURRENT_FUNCTION_LIST_DIR}")
  set(gen "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources")
  file(MAKE_DIRECTORY "${gen}")

  # Version header: rewritten only when a number changes, which then
  # recompiles the script.
  set(ZENTA_BUILD_NUMBER "${ZENTA_BUILD_NUMBER_VALUE}")
  configure_file("${src}/zenta_version.h.in" "${gen}/zenta_version.h" @ONLY)

  add_custom_command(
    OUTPUT "${gen}/zenta_icons.rc"
    COMMAND "${ZENTA_PYTHON3}" "${src}/gen_icons.py" "${gen}"
    DEPENDS "${src}/gen_icons.py"
    COMMENT "Generating icons for ${target}"
    VERBATIM)

  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(bfd_target pe-i386)
  else()
    set(bfd_target pe-x86-64)
  endif()
  add_custom_command(
    OUTPUT "${gen}/zenta_res.o"
    COMMAND "${ZENTA_WINDRES}" --target=${bfd_target} -O coff
            -I "${gen}" -I "${src}"
            -i "${src}/zenta.rc" -o "${gen}/zenta_res.o"
    DEPENDS "${src}/zenta.rc" "${gen}/zenta_icons.rc" "${gen}/zenta_version.h"
    COMMENT "Compiling resources for ${target}"
    VERBATIM)

  set_source_files_properties("${gen}/zenta_res.o" PROPERTIES
    EXTERNAL_OBJECT TRUE GENERATED TRUE)
  target_sources(${target} PRIVATE "${gen}/zenta_res.o")
endfunction()
