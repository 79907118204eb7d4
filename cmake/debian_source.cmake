# The Debian source packages that scripts/bootstrap fetches into
# build/debian-src for the libraries built here; dpkg-source unpacks them
# with Debian's patches applied.
include_guard(GLOBAL)
set(ZEL_DEBIAN_SRC ${CMAKE_SOURCE_DIR}/build/debian-src CACHE PATH "Debian source packages fetched by scripts/bootstrap")
find_program(ZEL_DPKG_SOURCE dpkg-source REQUIRED NO_CMAKE_FIND_ROOT_PATH)

# zel_debian_source(VAR PACKAGE NAME): VAR is the .dsc of PACKAGE's source;
# without one the configuration stops and says what to run.
function(zel_debian_source var package name)
  file(GLOB dsc ${ZEL_DEBIAN_SRC}/${package}_*.dsc)
  if(NOT dsc)
    message(FATAL_ERROR "${name}'s Debian source package is not in ${ZEL_DEBIAN_SRC}: run scripts/bootstrap")
  endif()
  list(GET dsc 0 dsc)
  set(${var} ${dsc} PARENT_SCOPE)
endfunction()
