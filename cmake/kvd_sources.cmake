# The companion's sources, shared by the native and the Windows builds: the
# library zelkvd is the command line (kvd/app.cpp), the commands, what a
# record means, files and terminal, the statistics and the writers, a page
# printed to PDF, but not the programs' entries; the report library
# (cmake/report.cmake) holds kvd/report/.
file(GLOB ZEL_KVD_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/kvd/*.cpp
  ${CMAKE_SOURCE_DIR}/kvd/commands/*.cpp
  ${CMAKE_SOURCE_DIR}/kvd/meaning/*.cpp
  ${CMAKE_SOURCE_DIR}/kvd/io/*.cpp
  ${CMAKE_SOURCE_DIR}/kvd/stats/*.cpp
  ${CMAKE_SOURCE_DIR}/kvd/export/*.cpp
  ${CMAKE_SOURCE_DIR}/kvd/pdf/*.cpp)
list(REMOVE_ITEM ZEL_KVD_SOURCES ${CMAKE_SOURCE_DIR}/kvd/main.cpp)

# The library is compiled eight of its files at a time (UNITY_BUILD, set
# where each build makes it): nearly every file includes the same large
# headers (cpp-httplib, nlohmann/json, CLI11), and eight together read and
# instantiate them once, in less than half the time in all. So a name
# private to one file (an anonymous namespace's) must not be declared again
# in another of the library, and a macro that changes what a header declares
# is set for the whole library, not in one file.

# The release version, for kvd --version.
set(ZEL_KVD_DEFINITIONS ZEL_VERSION="${PROJECT_VERSION}")

# GCC 12 warns falsely of overlapping copies in std::string's operator+
# (GCC bug 105329); the texts kvd builds with it are ordinary.
set(ZEL_KVD_WARNINGS ${ZEL_WARNINGS} $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>)

# The archive: its rules and queries over the database seam, and the SQLite
# store. The PostgreSQL store and the SHA-256 of files and records come from
# the platform's libraries (libpq and libcrypto on Linux).
file(GLOB ZEL_KVD_ARCHIVE_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/kvd/archive/*.cpp
  ${CMAKE_SOURCE_DIR}/kvd/archive/sqlite/*.cpp)
file(GLOB ZEL_KVD_POSTGRES_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/kvd/archive/postgres/*.cpp)
file(GLOB ZEL_KVD_LINUX_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/kvd/linux/*.cpp
  ${CMAKE_SOURCE_DIR}/kvd/pdf/linux/*.cpp)
# The Windows halves: the archive's platform functions, the console, the
# browser that prints to PDF, and the word that this build keeps its archive
# in SQLite only.
file(GLOB ZEL_KVD_WIN32_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/kvd/win32/*.cpp
  ${CMAKE_SOURCE_DIR}/kvd/pdf/win32/*.cpp
  ${CMAKE_SOURCE_DIR}/kvd/archive/win32/*.cpp)
list(REMOVE_ITEM ZEL_KVD_WIN32_SOURCES ${CMAKE_SOURCE_DIR}/kvd/win32/kvdw_main.cpp)
