# SQLite for the Windows build of the companion's archive. Debian has SQLite
# for Linux only, so its Debian source package (fetched by scripts/bootstrap
# into build/debian-src) is unpacked here, its amalgamation sqlite3.c made by
# its own makefile with the host's compiler and tclsh, and that one file
# compiled with the mingw-w64 toolchain into sqlite3_static.
#
# SQLite's configure writes absolute folder names into its makefile, which
# make cannot take when they hold blanks: configure is run by a relative
# path and make is given the source folder relatively too.
include(ExternalProject)

include(${CMAKE_SOURCE_DIR}/cmake/debian_source.cmake)
zel_debian_source(ZEL_SQLITE_DSC sqlite3 "SQLite")
find_program(ZEL_HOST_CC NAMES gcc cc REQUIRED NO_CMAKE_FIND_ROOT_PATH)
find_program(ZEL_HOST_MAKE NAMES make REQUIRED NO_CMAKE_FIND_ROOT_PATH)
find_program(ZEL_TCLSH NAMES tclsh REQUIRED NO_CMAKE_FIND_ROOT_PATH)

set(ZEL_SQLITE_SOURCE ${CMAKE_BINARY_DIR}/sqlite/source)
# Only sqlite3.c and sqlite3.h: no header that configure made for the host
# can reach the Windows build through this folder.
set(ZEL_SQLITE_AMALGAMATION ${CMAKE_BINARY_DIR}/sqlite/amalgamation)
ExternalProject_Add(sqlite_amalgamation
  PREFIX ${CMAKE_BINARY_DIR}/sqlite
  SOURCE_DIR ${ZEL_SQLITE_SOURCE}
  BINARY_DIR ${CMAKE_BINARY_DIR}/sqlite/build
  DOWNLOAD_COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZEL_SQLITE_SOURCE}
    COMMAND ${ZEL_DPKG_SOURCE} --no-check -x ${ZEL_SQLITE_DSC} ${ZEL_SQLITE_SOURCE}
  CONFIGURE_COMMAND ${CMAKE_COMMAND} -E env CC=${ZEL_HOST_CC} TCLSH_CMD=${ZEL_TCLSH}
    ../source/configure --disable-tcl --disable-readline --disable-shared
  BUILD_COMMAND ${ZEL_HOST_MAKE} TOP=../source sqlite3.c
  INSTALL_COMMAND ${CMAKE_COMMAND} -E copy sqlite3.c sqlite3.h ${ZEL_SQLITE_AMALGAMATION}
  BUILD_BYPRODUCTS ${ZEL_SQLITE_AMALGAMATION}/sqlite3.c ${ZEL_SQLITE_AMALGAMATION}/sqlite3.h
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

file(MAKE_DIRECTORY ${ZEL_SQLITE_AMALGAMATION})
add_library(sqlite3_static STATIC ${ZEL_SQLITE_AMALGAMATION}/sqlite3.c)
add_dependencies(sqlite3_static sqlite_amalgamation)
target_include_directories(sqlite3_static SYSTEM PUBLIC ${ZEL_SQLITE_AMALGAMATION})
# Serialized threading, so that the web server's threads may share it; no
# double-quoted string literals, which hide a misspelt column name; in WAL
# mode a commit waits for the disk only at checkpoints, which loses at most
# the last transactions at a power cut and never corrupts the file; no
# loading of extensions from a file. The limits are Debian's, as the native
# kvd has them.
target_compile_definitions(sqlite3_static PRIVATE
  SQLITE_THREADSAFE=1
  SQLITE_DQS=0
  SQLITE_DEFAULT_WAL_SYNCHRONOUS=1
  SQLITE_OMIT_LOAD_EXTENSION
  SQLITE_LIKE_DOESNT_MATCH_BLOBS
  SQLITE_USE_URI=1
  SQLITE_MAX_VARIABLE_NUMBER=250000
  SQLITE_MAX_SCHEMA_RETRY=25)
target_compile_options(sqlite3_static PRIVATE -O2)
