# Fuzzing build (clang): the core instrumented for libFuzzer, one fuzzer per
# target file in tests/fuzz, seed corpora made from the demo file and the
# sample generator, and two tests per target: a short run, and a replay of
# the cases kept under tests/fuzz/regressions/<target>/.
enable_testing()

# The library's own bounds checks as well: an index past a field inside an
# object (a record kept in the spectrum panel) lies between no red zones.
set(ZEL_FUZZ_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1
    -D_GLIBCXX_ASSERTIONS)
set(ZEL_FUZZ_DIR ${CMAKE_SOURCE_DIR}/tests/fuzz)
# Seconds of the short run that every target gets in the test suite.
set(ZEL_FUZZ_TEST_SECONDS 10 CACHE STRING "Length of each fuzzer's run in the tests")

add_library(zelcore_fuzz STATIC ${ZEL_CORE_SOURCES})
target_include_directories(zelcore_fuzz PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(zelcore_fuzz PRIVATE ${ZEL_WARNINGS} ${ZEL_FUZZ_FLAGS} -fsanitize=fuzzer-no-link)
target_link_options(zelcore_fuzz PUBLIC -fsanitize=address,undefined)

# Seeds and kept cases as bytes.
add_executable(fuzz_case ${ZEL_FUZZ_DIR}/support/fuzz_case.cpp)
target_compile_options(fuzz_case PRIVATE ${ZEL_WARNINGS} ${ZEL_FUZZ_FLAGS})
target_link_libraries(fuzz_case PRIVATE zelcore_fuzz)

# zel_fuzz_target(NAME SEEDS KIND [LIBS library...]): the fuzzer fuzz_NAME
# from tests/fuzz/NAME.cpp, its seeds (see fuzz_case) in seeds/NAME, its
# corpus in corpus/NAME, its dictionary tests/fuzz/NAME.dict if there is one.
function(zel_fuzz_target name)
  cmake_parse_arguments(PARSE_ARGV 1 FUZZ "" "SEEDS" "LIBS")
  set(fuzzer fuzz_${name})
  add_executable(${fuzzer} ${ZEL_FUZZ_DIR}/${name}.cpp)
  target_include_directories(${fuzzer} PRIVATE ${ZEL_FUZZ_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_compile_options(${fuzzer} PRIVATE ${ZEL_WARNINGS} ${ZEL_FUZZ_FLAGS} -fsanitize=fuzzer)
  target_link_options(${fuzzer} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${fuzzer} PRIVATE ${FUZZ_LIBS} zelcore_fuzz)

  set(seeds ${CMAKE_BINARY_DIR}/seeds/${name})
  add_custom_command(OUTPUT ${seeds}/.made
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${seeds}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${seeds} ${CMAKE_BINARY_DIR}/corpus/${name}
    COMMAND fuzz_case seeds ${FUZZ_SEEDS} ${seeds}
    COMMAND ${CMAKE_COMMAND} -E touch ${seeds}/.made
    DEPENDS fuzz_case VERBATIM)
  add_custom_target(${fuzzer}_seeds ALL DEPENDS ${seeds}/.made)

  set(options -rss_limit_mb=2048 -timeout=30 -print_final_stats=0)
  if(EXISTS ${ZEL_FUZZ_DIR}/${name}.dict)
    list(APPEND options -dict=${ZEL_FUZZ_DIR}/${name}.dict)
  endif()
  add_test(NAME fuzz.${name}
    COMMAND ${fuzzer} -max_total_time=${ZEL_FUZZ_TEST_SECONDS} ${options} ${CMAKE_BINARY_DIR}/corpus/${name} ${seeds})
  add_test(NAME fuzz.${name}.regressions
    COMMAND ${CMAKE_COMMAND} -DFUZZER=$<TARGET_FILE:${fuzzer}> -DCASE_TOOL=$<TARGET_FILE:fuzz_case>
            -DCASES=${ZEL_FUZZ_DIR}/regressions/${name} -DWORK=${CMAKE_BINARY_DIR}/regressions/${name}
            -P ${CMAKE_SOURCE_DIR}/cmake/fuzz_replay.cmake)
  set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 300)
  set_property(GLOBAL APPEND PROPERTY ZEL_FUZZ_TARGETS ${name})
endfunction()

zel_fuzz_target(pages SEEDS record)
zel_fuzz_target(spectrum_panel SEEDS panel)
zel_fuzz_target(viewer_argument SEEDS viewer-command-line)
zel_fuzz_target(browser_command_line SEEDS browser-command-line)
zel_fuzz_target(summary_list SEEDS file)
zel_fuzz_target(list_view SEEDS file)
zel_fuzz_target(dif_export SEEDS file)
zel_fuzz_target(kvd_description SEEDS description)

# The companion: its report library and its commands, instrumented as the
# core is; CLI11, nlohmann/json, libxlsxwriter and libxml2 (which reads the
# SVG pictures back) as the system has them.
add_library(zelcore ALIAS zelcore_fuzz)
include(${CMAKE_SOURCE_DIR}/cmake/report.cmake)
target_compile_options(zelreport PRIVATE ${ZEL_FUZZ_FLAGS} -fsanitize=fuzzer-no-link)

include(${CMAKE_SOURCE_DIR}/cmake/kvd_sources.cmake)
find_package(PkgConfig REQUIRED)
pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
find_package(CLI11 CONFIG REQUIRED)
find_package(nlohmann_json 3 CONFIG REQUIRED)
find_package(LibXml2 REQUIRED)
# The whole command line takes in kvd archive, so its store comes along.
find_package(SQLite3 REQUIRED)
pkg_check_modules(LIBPQ REQUIRED IMPORTED_TARGET libpq)
find_package(OpenSSL REQUIRED)
# Argon2id for the lab server's accounts.
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
# And its web server, which the command line starts.
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
find_package(Threads REQUIRED)
include(${CMAKE_SOURCE_DIR}/cmake/serve.cmake)
add_library(zelkvd_fuzz STATIC ${ZEL_KVD_SOURCES} ${ZEL_KVD_ARCHIVE_SOURCES} ${ZEL_KVD_POSTGRES_SOURCES}
            ${ZEL_KVD_LINUX_SOURCES} ${ZEL_SERVE_SOURCES} ${ZEL_SERVE_LINUX_SOURCES} $<TARGET_OBJECTS:zelserve_web>)
target_compile_options(zelkvd_fuzz PRIVATE ${ZEL_WARNINGS} ${ZEL_FUZZ_FLAGS} -fsanitize=fuzzer-no-link)
target_compile_definitions(zelkvd_fuzz PRIVATE ${ZEL_KVD_DEFINITIONS})
set_target_properties(zelkvd_fuzz PROPERTIES UNITY_BUILD ON)
target_link_libraries(zelkvd_fuzz PUBLIC zelreport zelcore_fuzz PkgConfig::XLSXWRITER CLI11::CLI11
                      nlohmann_json::nlohmann_json SQLite::SQLite3 PkgConfig::LIBPQ OpenSSL::SSL OpenSSL::Crypto
                      PkgConfig::SODIUM PkgConfig::HTTPLIB Threads::Threads)

zel_fuzz_target(kvd_export SEEDS file LIBS zelkvd_fuzz)
zel_fuzz_target(kvd_stats SEEDS file LIBS zelkvd_fuzz)
zel_fuzz_target(kvd_report SEEDS file LIBS zelkvd_fuzz)
zel_fuzz_target(kvd_render SEEDS record LIBS zelkvd_fuzz LibXml2::LibXml2)
zel_fuzz_target(kvd_options SEEDS kvd-arguments LIBS zelkvd_fuzz)

# The target names, for `make fuzz`; written only when they change, as is
# every file a configure makes.
get_property(targets GLOBAL PROPERTY ZEL_FUZZ_TARGETS)
list(JOIN targets "\n" targets)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/fuzz_targets.txt CONTENT "${targets}\n" @ONLY)
