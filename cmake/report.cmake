# The report library: SVG pages, reference levels and the HTML report with its
# charts, and the templates, CSS and JavaScript of the pages in kvd/web/.
# dygraphs comes from Debian's libjs-dygraphs and is compiled into the
# library with them, so that a page opens offline and a Windows build needs
# no path.

# Run as a script (cmake -P) at build time: turns one text file into a C++
# source holding it as a string.
if(CMAKE_SCRIPT_MODE_FILE)
  file(READ "${IN}" text)
  # A source map comment would only make a browser's tools ask for a file.
  string(REGEX REPLACE "/[/*]# sourceMappingURL=[^\n]*" "" text "${text}")
  string(FIND "${text}" ")zeldy\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${IN} holds the string delimiter )zeldy\"")
  endif()
  file(WRITE "${OUT}.tmp" "// Generated from ${IN}.\n#include <string_view>\nnamespace zel::report {\nextern const std::string_view ${NAME};\nconst std::string_view ${NAME} = R\"zeldy(")
  file(APPEND "${OUT}.tmp" "${text}")
  file(APPEND "${OUT}.tmp" ")zeldy\";\n}\n")
  file(RENAME "${OUT}.tmp" "${OUT}")
  return()
endif()

set(ZEL_DYGRAPHS_DIR /usr/share/javascript/dygraphs CACHE PATH "libjs-dygraphs")
if(NOT EXISTS ${ZEL_DYGRAPHS_DIR}/dygraph.min.js)
  message(FATAL_ERROR "dygraphs not found in ${ZEL_DYGRAPHS_DIR}: install libjs-dygraphs")
endif()

# The pages' templates, CSS and JavaScript (kvd/web/) are compiled in the
# same way, each into a string of its own.
set(ZEL_WEB_DIR ${CMAKE_SOURCE_DIR}/kvd/web)
set(ZEL_REPORT_GENERATED)
foreach(pair "${ZEL_DYGRAPHS_DIR}/dygraph.min.js;kDygraphsScript"
             "${ZEL_DYGRAPHS_DIR}/dygraph.min.css;kDygraphsStyle"
             "${ZEL_WEB_DIR}/protocol.html.mustache;kProtocolTemplate"
             "${ZEL_WEB_DIR}/protocol_records.html.mustache;kProtocolRecordsTemplate"
             "${ZEL_WEB_DIR}/protocol.css;kProtocolStyle"
             "${ZEL_WEB_DIR}/protocol.js;kProtocolScript"
             "${ZEL_WEB_DIR}/chart_levels.js;kChartLevelsScript"
             "${ZEL_WEB_DIR}/report.html.mustache;kReportTemplate"
             "${ZEL_WEB_DIR}/report_verdict.html.mustache;kReportVerdictTemplate"
             "${ZEL_WEB_DIR}/report_record.html.mustache;kReportRecordTemplate"
             "${ZEL_WEB_DIR}/report.css;kReportStyle"
             "${ZEL_WEB_DIR}/report.js;kReportScript")
  list(GET pair 0 file)
  list(GET pair 1 name)
  set(out ${CMAKE_BINARY_DIR}/generated/${name}.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${file} -DOUT=${out} -DNAME=${name}
            -P ${CMAKE_CURRENT_LIST_FILE}
    DEPENDS ${file} ${CMAKE_CURRENT_LIST_FILE} VERBATIM)
  list(APPEND ZEL_REPORT_GENERATED ${out})
endforeach()

# Compiled once for both libraries: two targets that each ran the generator
# could write the same file at the same time.
add_library(zelreport_scripts OBJECT ${ZEL_REPORT_GENERATED})

file(GLOB ZEL_REPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/kvd/report/*.cpp)

add_library(zelreport STATIC ${ZEL_REPORT_SOURCES} $<TARGET_OBJECTS:zelreport_scripts>)
target_compile_options(zelreport PRIVATE ${ZEL_WARNINGS})
target_link_libraries(zelreport PUBLIC zelcore)

if(TARGET zelcore_san)
  add_library(zelreport_san STATIC ${ZEL_REPORT_SOURCES} $<TARGET_OBJECTS:zelreport_scripts>)
  target_compile_options(zelreport_san PRIVATE ${ZEL_WARNINGS} ${ZEL_SANITIZE})
  target_link_libraries(zelreport_san PUBLIC zelcore_san)

  # The SVG pages are checked by a real XML parser.
  find_package(LibXml2 REQUIRED)
  target_link_libraries(unit_tests PRIVATE zelreport_san LibXml2::LibXml2)
endif()

if(TARGET benchmarks)
  target_link_libraries(benchmarks PRIVATE zelreport)
endif()

# The report and the protocol opened in a real browser (scripts/bootstrap
# installs Chromium).
if(TARGET zelcore_san)
  find_program(ZEL_CHROMIUM NAMES chromium chromium-browser REQUIRED)
  file(GLOB ZEL_REPORT_BROWSER_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/report/*.cpp)
  add_executable(report_browser_tests ${ZEL_REPORT_BROWSER_TESTS})
  target_compile_options(report_browser_tests PRIVATE ${ZEL_WARNINGS})
  target_compile_definitions(report_browser_tests PRIVATE ZEL_CHROMIUM="${ZEL_CHROMIUM}"
                             ZEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  target_link_libraries(report_browser_tests PRIVATE zelreport zelkvd GTest::gtest GTest::gtest_main Threads::Threads)
  gtest_discover_tests(report_browser_tests DISCOVERY_TIMEOUT 60)
endif()
