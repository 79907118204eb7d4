# kvd, the command-line companion: the library zelkvd (everything in kvd/
# and kvd/export/ but main.cpp), the program, its tests and benchmarks.
# Included by the native build after the core, unit tests, benchmarks and
# the report library.
find_package(PkgConfig REQUIRED)
include(${CMAKE_SOURCE_DIR}/cmake/xlsxwriter.cmake)
find_package(CLI11 CONFIG REQUIRED)
find_package(nlohmann_json 3 CONFIG REQUIRED)
find_package(SQLite3 REQUIRED)
pkg_check_modules(LIBPQ REQUIRED IMPORTED_TARGET libpq)
find_package(OpenSSL REQUIRED)
# Argon2id for the lab's passwords
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)

include(${CMAKE_SOURCE_DIR}/cmake/kvd_sources.cmake)
# Debian's libcpp-httplib is compiled with OpenSSL, zlib and brotli; its
# pkg-config flags define CPPHTTPLIB_OPENSSL_SUPPORT and the other two, as
# that library's classes need, and with them declare its SSLServer.
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
include(${CMAKE_SOURCE_DIR}/cmake/serve.cmake)

add_library(zelkvd STATIC ${ZEL_KVD_SOURCES} ${ZEL_KVD_ARCHIVE_SOURCES} ${ZEL_KVD_POSTGRES_SOURCES}
            ${ZEL_KVD_LINUX_SOURCES} ${ZEL_SERVE_SOURCES} ${ZEL_SERVE_LINUX_SOURCES} $<TARGET_OBJECTS:zelserve_web>)
target_compile_options(zelkvd PRIVATE ${ZEL_KVD_WARNINGS})
target_compile_definitions(zelkvd PRIVATE ${ZEL_KVD_DEFINITIONS})
target_link_libraries(zelkvd PUBLIC zelcore zelreport xlsxwriter CLI11::CLI11 nlohmann_json::nlohmann_json
                      SQLite::SQLite3 PkgConfig::LIBPQ OpenSSL::SSL OpenSSL::Crypto PkgConfig::SODIUM PkgConfig::HTTPLIB Threads::Threads)

# The same sources with the sanitizers, for the unit tests.
add_library(zelkvd_san STATIC ${ZEL_KVD_SOURCES} ${ZEL_KVD_ARCHIVE_SOURCES} ${ZEL_KVD_POSTGRES_SOURCES}
            ${ZEL_KVD_LINUX_SOURCES} ${ZEL_SERVE_SOURCES} ${ZEL_SERVE_LINUX_SOURCES} $<TARGET_OBJECTS:zelserve_web>)
target_compile_options(zelkvd_san PRIVATE ${ZEL_KVD_WARNINGS} ${ZEL_SANITIZE})
target_compile_definitions(zelkvd_san PRIVATE ${ZEL_KVD_DEFINITIONS})
target_link_libraries(zelkvd_san PUBLIC zelcore_san zelreport_san xlsxwriter CLI11::CLI11 nlohmann_json::nlohmann_json
                      SQLite::SQLite3 PkgConfig::LIBPQ OpenSSL::SSL OpenSSL::Crypto PkgConfig::SODIUM PkgConfig::HTTPLIB Threads::Threads)
target_link_libraries(unit_tests PRIVATE zelkvd_san)
# Eight files at a time (cmake/kvd_sources.cmake says why).
set_target_properties(zelkvd zelkvd_san PROPERTIES UNITY_BUILD ON)

add_executable(kvd ${CMAKE_SOURCE_DIR}/kvd/main.cpp)
target_compile_options(kvd PRIVATE ${ZEL_KVD_WARNINGS})
target_link_libraries(kvd PRIVATE zelkvd)

# The archive's benchmarks start a PostgreSQL server of their own with the
# tests' script and keep their files in the build tree.
set(ZEL_PG_SERVER_SCRIPT ${CMAKE_SOURCE_DIR}/tests/archive/pg-server)
if(TARGET benchmarks)
  target_link_libraries(benchmarks PRIVATE zelkvd)
  target_sources(benchmarks PRIVATE ${CMAKE_SOURCE_DIR}/tests/archive/test_server.cpp)
  target_compile_definitions(benchmarks PRIVATE ZEL_PG_SERVER_SCRIPT="${ZEL_PG_SERVER_SCRIPT}"
                             ZEL_KVDGEN="$<TARGET_FILE:kvdgen>" ZEL_BENCH_DIR="${CMAKE_BINARY_DIR}")
  add_dependencies(benchmarks kvdgen)
endif()

# The program itself, run as a user runs it: exit codes, messages, inputs
# left untouched, outputs whole or not at all.
add_executable(kvd_cli_tests ${CMAKE_SOURCE_DIR}/tests/cli/kvd_cli_test.cpp)
target_compile_options(kvd_cli_tests PRIVATE ${ZEL_KVD_WARNINGS})
target_compile_definitions(kvd_cli_tests PRIVATE ZEL_KVD="$<TARGET_FILE:kvd>")
target_link_libraries(kvd_cli_tests PRIVATE zelcore nlohmann_json::nlohmann_json GTest::gtest GTest::gtest_main
                      Threads::Threads)
add_dependencies(kvd_cli_tests kvd)
gtest_discover_tests(kvd_cli_tests DISCOVERY_TIMEOUT 60)

# A page printed to PDF by the real Chromium (the report's browser tests find
# it) and read back by poppler's pdfinfo and pdftotext.
find_program(ZEL_PDFINFO pdfinfo REQUIRED)
find_program(ZEL_PDFTOTEXT pdftotext REQUIRED)
add_executable(pdf_tests ${CMAKE_SOURCE_DIR}/tests/pdf/print_pdf_test.cpp)
target_compile_options(pdf_tests PRIVATE ${ZEL_KVD_WARNINGS} ${ZEL_SANITIZE})
target_compile_definitions(pdf_tests PRIVATE ZEL_CHROMIUM="${ZEL_CHROMIUM}" ZEL_PDFINFO="${ZEL_PDFINFO}"
                           ZEL_PDFTOTEXT="${ZEL_PDFTOTEXT}")
target_link_libraries(pdf_tests PRIVATE zelkvd_san GTest::gtest GTest::gtest_main Threads::Threads)
gtest_discover_tests(pdf_tests DISCOVERY_TIMEOUT 60)

# The exports read back by Gnumeric and LibreOffice under the C and Russian
# locales.
add_executable(kvd_spreadsheet_tests ${CMAKE_SOURCE_DIR}/tests/spreadsheet/kvd_spreadsheet_test.cpp
               ${CMAKE_SOURCE_DIR}/tests/spreadsheet/crafted_records.cpp
               ${CMAKE_SOURCE_DIR}/tests/spreadsheet/expected_row.cpp ${CMAKE_SOURCE_DIR}/tests/spreadsheet/sheet_xml.cpp)
target_compile_options(kvd_spreadsheet_tests PRIVATE ${ZEL_KVD_WARNINGS})
target_compile_definitions(kvd_spreadsheet_tests PRIVATE ZEL_KVD="$<TARGET_FILE:kvd>" ZEL_SSCONVERT="${ZEL_SSCONVERT}"
                           ZEL_SOFFICE="${ZEL_SOFFICE}")
target_link_libraries(kvd_spreadsheet_tests PRIVATE zelkvd GTest::gtest GTest::gtest_main Threads::Threads)
add_dependencies(kvd_spreadsheet_tests kvd)
gtest_discover_tests(kvd_spreadsheet_tests DISCOVERY_TIMEOUT 60 PROPERTIES RUN_SERIAL TRUE)

# The archive on both of its databases: a real SQLite file, and a real
# PostgreSQL server that ctest starts once for the archive tests and stops
# after them (tests/archive/pg-server: as nobody under root, on a Unix
# socket in its folder only). The folder is in /tmp, one per build tree, so
# that the socket's path stays short.
string(MD5 ZEL_BUILD_TREE_HASH "${CMAKE_BINARY_DIR}")
string(SUBSTRING ${ZEL_BUILD_TREE_HASH} 0 12 ZEL_BUILD_TREE_HASH)
set(ZEL_PG_TEST_SERVER /tmp/kvd-pg-${ZEL_BUILD_TREE_HASH})
file(GLOB ZEL_ARCHIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/archive/*.cpp)
if(ZEL_ARCHIVE_TESTS)
  add_executable(archive_tests ${ZEL_ARCHIVE_TESTS})
  target_compile_options(archive_tests PRIVATE ${ZEL_KVD_WARNINGS} ${ZEL_SANITIZE})
  target_compile_definitions(archive_tests PRIVATE ZEL_KVD="$<TARGET_FILE:kvd>" ZEL_KVDGEN="$<TARGET_FILE:kvdgen>"
                             ZEL_PG_SERVER_SCRIPT="${ZEL_PG_SERVER_SCRIPT}" ZEL_PDFINFO="${ZEL_PDFINFO}"
                             ZEL_PDFTOTEXT="${ZEL_PDFTOTEXT}")
  target_link_libraries(archive_tests PRIVATE zelkvd_san GTest::gtest GTest::gtest_main Threads::Threads)
  set_target_properties(archive_tests PROPERTIES UNITY_BUILD ON)  # as the library, and for the same headers
  add_dependencies(archive_tests kvd kvdgen)
  add_test(NAME archive_server_start COMMAND ${ZEL_PG_SERVER_SCRIPT} start ${ZEL_PG_TEST_SERVER} --fresh)
  add_test(NAME archive_server_stop COMMAND ${ZEL_PG_SERVER_SCRIPT} remove ${ZEL_PG_TEST_SERVER})
  set_tests_properties(archive_server_start PROPERTIES FIXTURES_SETUP archive_server)
  set_tests_properties(archive_server_stop PROPERTIES FIXTURES_CLEANUP archive_server)
  gtest_discover_tests(archive_tests DISCOVERY_TIMEOUT 60 PROPERTIES FIXTURES_REQUIRED archive_server
                       ENVIRONMENT ZEL_PG_SERVER=${ZEL_PG_TEST_SERVER})
endif()

# kvd serve: the real server in the tests' process on 127.0.0.1, a fresh
# archive per test (SQLite; the lab server's roles on PostgreSQL too, on the
# archive tests' server), plain HTTP or HTTPS from cpp-httplib's client and
# raw sockets.
file(GLOB ZEL_SERVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/serve/*.cpp)
if(ZEL_SERVE_TESTS)
  add_executable(serve_tests ${ZEL_SERVE_TESTS} ${CMAKE_SOURCE_DIR}/tests/archive/backend_fixture.cpp
                 ${CMAKE_SOURCE_DIR}/tests/archive/test_server.cpp)
  target_compile_options(serve_tests PRIVATE ${ZEL_KVD_WARNINGS} ${ZEL_SANITIZE})
  target_compile_definitions(serve_tests PRIVATE ZEL_PG_SERVER_SCRIPT="${ZEL_PG_SERVER_SCRIPT}")
  target_link_libraries(serve_tests PRIVATE zelkvd_san GTest::gtest GTest::gtest_main Threads::Threads)
  set_target_properties(serve_tests PROPERTIES UNITY_BUILD ON)  # as the library, and for the same headers
  gtest_discover_tests(serve_tests DISCOVERY_TIMEOUT 60 PROPERTIES FIXTURES_REQUIRED archive_server
                       ENVIRONMENT ZEL_PG_SERVER=${ZEL_PG_TEST_SERVER})
endif()

# kvd serve as a program: stopped by Ctrl+C and by SIGTERM during an import,
# and started a second time for the same archive and for another.
foreach(signal INT TERM)
  add_test(NAME serve.stops-on-SIG${signal}
    COMMAND ${CMAKE_SOURCE_DIR}/tests/serve/serve_stop_test.py ${CMAKE_BINARY_DIR}
            ${CMAKE_BINARY_DIR}/serve-stop-${signal} ${signal} $<TARGET_FILE:kvd>)
  set_tests_properties(serve.stops-on-SIG${signal} PROPERTIES TIMEOUT 180)
endforeach()
add_test(NAME serve.second-start
  COMMAND ${CMAKE_SOURCE_DIR}/tests/serve/serve_second_start_test.py ${CMAKE_BINARY_DIR}/serve-second-start
          $<TARGET_FILE:kvd>)
set_tests_properties(serve.second-start PROPERTIES TIMEOUT 180)
