# What a release needs from the Windows build: the version from resources/version.h, also in the
# manifest, and binaries that are byte-identical wherever and whenever one commit is built.

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

# Paths of the source and build folders would reach the binaries through __FILE__ and debug
# information; the build folder often lies inside the source folder, so its map comes last (the
# last matching map wins).
foreach(lang C CXX)
  string(APPEND CMAKE_${lang}_FLAGS " -ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=")
endforeach()
# The PE header would otherwise carry the link time.
string(APPEND CMAKE_EXE_LINKER_FLAGS " -Wl,--no-insert-timestamp")
