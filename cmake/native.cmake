# Native build: the core, its unit tests (with sanitizers), benchmarks, tools.
enable_testing()
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)
find_package(Threads REQUIRED)

add_library(zelcore STATIC ${ZEL_CORE_SOURCES})
target_include_directories(zelcore PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(zelcore PRIVATE ${ZEL_WARNINGS})

# Line tables only (-g1): a sanitizer's report still names function, file and
# line, and the sanitized build, the largest part of the native one, compiles
# about a quarter faster than with full debugging information.
set(ZEL_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined -O1 -g1)
add_library(zelcore_san STATIC ${ZEL_CORE_SOURCES})
target_include_directories(zelcore_san PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(zelcore_san PRIVATE ${ZEL_WARNINGS} ${ZEL_SANITIZE})
target_link_options(zelcore_san PUBLIC -fsanitize=address,undefined)

file(GLOB ZEL_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${ZEL_UNIT_TESTS})
target_compile_options(unit_tests PRIVATE ${ZEL_WARNINGS} ${ZEL_SANITIZE})
target_link_libraries(unit_tests PRIVATE zelcore_san GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
include(GoogleTest)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)

file(GLOB ZEL_BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/*.cpp)
if(ZEL_BENCHES)
  add_executable(benchmarks ${ZEL_BENCHES})
  target_compile_options(benchmarks PRIVATE -O2)
  target_link_libraries(benchmarks PRIVATE zelcore benchmark::benchmark Threads::Threads)
endif()

add_executable(kvdgen ${CMAKE_SOURCE_DIR}/tools/kvdgen/main.cpp)
target_compile_options(kvdgen PRIVATE ${ZEL_WARNINGS})
target_link_libraries(kvdgen PRIVATE zelcore)

# The demo measurement file that `make run` opens.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/demo.kvd
  COMMAND kvdgen --demo ${CMAKE_BINARY_DIR}/demo.kvd
  DEPENDS kvdgen VERBATIM)
add_custom_target(demo ALL DEPENDS ${CMAKE_BINARY_DIR}/demo.kvd)

# The export read back by real spreadsheet programs (scripts/bootstrap
# installs Gnumeric and LibreOffice Calc).
find_program(ZEL_SSCONVERT ssconvert REQUIRED)
find_program(ZEL_SOFFICE soffice REQUIRED)
add_executable(spreadsheet_tests ${CMAKE_SOURCE_DIR}/tests/spreadsheet/dif_spreadsheet_test.cpp)
target_compile_options(spreadsheet_tests PRIVATE ${ZEL_WARNINGS})
target_compile_definitions(spreadsheet_tests PRIVATE ZEL_SSCONVERT="${ZEL_SSCONVERT}" ZEL_SOFFICE="${ZEL_SOFFICE}")
target_link_libraries(spreadsheet_tests PRIVATE zelcore GTest::gtest GTest::gtest_main Threads::Threads)
gtest_discover_tests(spreadsheet_tests DISCOVERY_TIMEOUT 60)
include(cmake/report.cmake)

# The command-line companion kvd, its tests and benchmarks.
include(${CMAKE_SOURCE_DIR}/cmake/kvd.cmake)

# The pages of kvd serve in a real browser.
include(${CMAKE_SOURCE_DIR}/tests/browser/browser.cmake)
