# cpp-httplib for the Windows build of kvd serve. Debian's libcpp-httplib-dev
# is the library compiled for Linux, its httplib.h declarations only; the
# same release's Debian source package (fetched by scripts/bootstrap into
# build/debian-src, Debian's patches applied by dpkg-source) holds the
# header-only httplib.h, which alone goes into the header-only folder.
include(${CMAKE_SOURCE_DIR}/cmake/debian_source.cmake)
zel_debian_source(ZEL_HTTPLIB_DSC cpp-httplib "cpp-httplib")
set(ZEL_HTTPLIB_SOURCE ${CMAKE_BINARY_DIR}/httplib/source)
if(NOT EXISTS ${ZEL_HTTPLIB_SOURCE}/httplib.h)
  file(REMOVE_RECURSE ${ZEL_HTTPLIB_SOURCE})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/httplib)
  execute_process(COMMAND ${ZEL_DPKG_SOURCE} --no-check -x ${ZEL_HTTPLIB_DSC} ${ZEL_HTTPLIB_SOURCE}
                  OUTPUT_QUIET RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cpp-httplib's source package could not be unpacked")
  endif()
endif()
# A link left by an older tree would carry the copy into /usr/include. The
# copy is written only when it differs: a newer httplib.h at every configure
# would compile the web server's sources again at every make.
if(IS_SYMLINK ${ZEL_HEADER_ONLY}/httplib.h)
  file(REMOVE ${ZEL_HEADER_ONLY}/httplib.h)
endif()
configure_file(${ZEL_HTTPLIB_SOURCE}/httplib.h ${ZEL_HEADER_ONLY}/httplib.h COPYONLY)
