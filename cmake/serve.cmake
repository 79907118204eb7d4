# kvd serve, shared by the native and the Windows builds: the web
# application's sources (kvd/serve/; its Linux and Windows halves are
# kvd/serve/linux and kvd/serve/win32) and every file of kvd/web/serve_*
# compiled in, found by a glob, so that a new page, style or script needs no
# change here. cpp-httplib is the header of Debian's libcpp-httplib-dev.
file(GLOB ZEL_SERVE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/kvd/serve/*.cpp)
file(GLOB ZEL_SERVE_LINUX_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/kvd/serve/linux/*.cpp)
file(GLOB ZEL_SERVE_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/kvd/serve/win32/*.cpp)
file(GLOB ZEL_SERVE_WEB_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/kvd/web/serve_*)

set(ZEL_SERVE_GENERATED)
set(declarations "")
set(entries "")
set(index 0)
foreach(file ${ZEL_SERVE_WEB_FILES})
  get_filename_component(name ${file} NAME)
  set(symbol kServeWebFile${index})
  set(out ${CMAKE_BINARY_DIR}/generated/serve/${symbol}.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${file} -DOUT=${out} -DNAME=${symbol}
            -P ${CMAKE_SOURCE_DIR}/cmake/report.cmake
    DEPENDS ${file} ${CMAKE_SOURCE_DIR}/cmake/report.cmake VERBATIM)
  list(APPEND ZEL_SERVE_GENERATED ${out})
  string(APPEND declarations "extern const std::string_view ${symbol};\n")
  string(APPEND entries "    {\"${name}\", zel::report::${symbol}},\n")
  math(EXPR index "${index} + 1")
endforeach()
set(table ${CMAKE_BINARY_DIR}/generated/serve/serve_web_files.cpp)
file(CONFIGURE OUTPUT ${table} CONTENT "// Generated: the files kvd/web/serve_* by their names.
#include <span>
#include \"kvd/serve/web_files.h\"
namespace zel::report {
${declarations}}
namespace zel::serve {
std::span<const WebFile> webFiles() {
  static const WebFile files[] = {
${entries}    {\"\", {}}};
  return {files, sizeof files / sizeof files[0] - 1};
}
}
")
add_library(zelserve_web OBJECT ${ZEL_SERVE_GENERATED} ${table})
target_include_directories(zelserve_web PRIVATE ${CMAKE_SOURCE_DIR})
