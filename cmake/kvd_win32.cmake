# The companion as Windows programs: kvd.exe for the console, and kvdw.exe,
# its entry for Explorer's verbs, which opens no console window.
include(${CMAKE_SOURCE_DIR}/cmake/xlsxwriter.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/header_only.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/httplib_win32.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/sqlite.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/openssl.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/sodium.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/kvd_sources.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/report.cmake)
# The report's page is filled in with kainjow's mustache.
target_link_libraries(zelreport PRIVATE header_only)
include(${CMAKE_SOURCE_DIR}/cmake/serve.cmake)

add_library(zelkvd STATIC ${ZEL_KVD_SOURCES} ${ZEL_KVD_ARCHIVE_SOURCES} ${ZEL_KVD_WIN32_SOURCES}
            ${ZEL_SERVE_SOURCES} ${ZEL_SERVE_WIN32_SOURCES} $<TARGET_OBJECTS:zelserve_web>)
target_compile_options(zelkvd PRIVATE ${ZEL_KVD_WARNINGS})
target_compile_definitions(zelkvd PRIVATE ${ZEL_KVD_DEFINITIONS})
# Eight files at a time (cmake/kvd_sources.cmake says why), so <windows.h>
# is read the same way in all of them.
set_target_properties(zelkvd PROPERTIES UNITY_BUILD ON)
target_compile_definitions(zelkvd PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
# cpp-httplib on Windows: Winsock 2 (ws2_32) and the Vista-and-later socket
# calls (inet_pton, WSAPoll) that _WIN32_WINNT 0x0601 (Windows 7) declares;
# HTTPS through OpenSSL (its SSLServer, for a lab's server), no zlib.
# Its listening socket takes as many waiting connections as Windows allows
# (a second listen() cannot widen it there, as it does on Linux).
target_compile_definitions(zelkvd PUBLIC _WIN32_WINNT=0x0601 CPPHTTPLIB_LISTEN_BACKLOG=SOMAXCONN
                           CPPHTTPLIB_OPENSSL_SUPPORT)
# No libpq for Windows: the archive is SQLite there (kvd/archive/win32).
# OpenSSL and libsodium are built from Debian's sources (cmake/openssl.cmake,
# cmake/sodium.cmake).
target_link_libraries(zelkvd PUBLIC zelcore zelreport xlsxwriter sqlite3_static header_only zel_openssl_ssl
                      zel_openssl_crypto zel_sodium bcrypt ole32 shell32 ws2_32)

add_executable(kvd ${CMAKE_SOURCE_DIR}/kvd/main.cpp)
target_compile_options(kvd PRIVATE ${ZEL_WARNINGS})
target_link_libraries(kvd PRIVATE zelkvd)
zel_identity(kvd "ZelViewer command-line companion: list, show, export, statistics, report")

add_executable(kvdw WIN32 ${CMAKE_SOURCE_DIR}/kvd/win32/kvdw_main.cpp)
target_compile_options(kvdw PRIVATE ${ZEL_WARNINGS})
target_link_libraries(kvdw PRIVATE zelkvd shell32 user32)
zel_identity(kvdw "ZelViewer companion for Explorer: export, report and archive of measurement files")
list(APPEND ZEL_PROGRAMS kvd kvdw)

# The companion computes derived numbers (unit conversions, statistics) in
# doubles. The x87 unit of a plain i686 build keeps them in 80 bits and rounds
# them differently from every other build; SSE2 keeps them IEEE doubles, so
# kvd.exe writes the same digits as kvd on Linux.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  foreach(target zelkvd zelreport kvd kvdw)
    target_compile_options(${target} PRIVATE -msse2 -mfpmath=sse)
  endforeach()
endif()
