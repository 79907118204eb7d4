# kvd, the command-line companion: the library zelkvd (everything in kvd/
# and kvd/export/ but main.cpp), the program, its tests and benchmarks.
# Included by the native build after the core, unit tests, benchmarks and
# the report library.
include(${CMAKE_SOURCE_DIR}/cmake/xlsxwriter.cmake)
find_package(CLI11 CONFIG REQUIRED)
find_package(nlohmann_json 3 CONFIG REQUIRED)

include(${CMAKE_SOURCE_DIR}/cmake/kvd_sources.cmake)

add_library(zelkvd STATIC ${ZEL_KVD_SOURCES})
target_compile_options(zelkvd PRIVATE ${ZEL_KVD_WARNINGS})
target_compile_definitions(zelkvd PRIVATE ${ZEL_KVD_DEFINITIONS})
target_link_libraries(zelkvd PUBLIC zelcore zelreport xlsxwriter CLI11::CLI11 nlohmann_json::nlohmann_json)

# The same sources with the sanitizers, for the unit tests.
add_library(zelkvd_san STATIC ${ZEL_KVD_SOURCES})
target_compile_options(zelkvd_san PRIVATE ${ZEL_KVD_WARNINGS} ${ZEL_SANITIZE} -O1 -g)
target_compile_definitions(zelkvd_san PRIVATE ${ZEL_KVD_DEFINITIONS})
target_link_libraries(zelkvd_san PUBLIC zelcore_san zelreport_san xlsxwriter CLI11::CLI11 nlohmann_json::nlohmann_json)
target_link_libraries(unit_tests PRIVATE zelkvd_san)

add_executable(kvd ${CMAKE_SOURCE_DIR}/kvd/main.cpp)
target_compile_options(kvd PRIVATE ${ZEL_KVD_WARNINGS})
target_link_libraries(kvd PRIVATE zelkvd)

if(TARGET benchmarks)
  target_link_libraries(benchmarks PRIVATE zelkvd)
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

# The exports read back by Gnumeric and LibreOffice under the C and Russian
# locales.
add_executable(kvd_spreadsheet_tests ${CMAKE_SOURCE_DIR}/tests/spreadsheet/kvd_spreadsheet_test.cpp)
target_compile_options(kvd_spreadsheet_tests PRIVATE ${ZEL_KVD_WARNINGS})
target_compile_definitions(kvd_spreadsheet_tests PRIVATE ZEL_KVD="$<TARGET_FILE:kvd>" ZEL_SSCONVERT="${ZEL_SSCONVERT}"
                           ZEL_SOFFICE="${ZEL_SOFFICE}")
target_link_libraries(kvd_spreadsheet_tests PRIVATE zelkvd GTest::gtest GTest::gtest_main Threads::Threads)
add_dependencies(kvd_spreadsheet_tests kvd)
gtest_discover_tests(kvd_spreadsheet_tests DISCOVERY_TIMEOUT 60 PROPERTIES RUN_SERIAL TRUE)
