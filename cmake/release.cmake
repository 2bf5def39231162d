# What a release needs from the Windows build: the version from resources/version.h, also in the
# manifest.

# The scripts read the same lines (version_part in scripts/common.sh).
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/version.h)
file(STRINGS ${CMAKE_SOURCE_DIR}/resources/version.h version_lines REGEX "^#define TOVREL_VERSION_(MAJOR|MINOR|PATCH) ")
foreach(part MAJOR MINOR PATCH)
  if(NOT version_lines MATCHES "#define TOVREL_VERSION_${part} ([0-9]+)")
    message(FATAL_ERROR "resources/version.h has no numeric TOVREL_VERSION_${part}")
  endif()
  set(TOVREL_VERSION_${part} ${CMAKE_MATCH_1})
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/resources/tovrel.manifest.in ${CMAKE_BINARY_DIR}/resources/tovrel.manifest @ONLY)
