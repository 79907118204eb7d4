# The header-only libraries for the Windows build of the companion. CLI11,
# nlohmann/json and kainjow's mustache (/usr/include/kainjow, which holds
# mustache.hpp alone) are header-only: their Debian headers serve this build
# as they are, through a folder that holds nothing else, so that no other
# Linux header can slip into a Windows build.
set(ZEL_HEADER_ONLY ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${ZEL_HEADER_ONLY})
foreach(dir CLI nlohmann kainjow)
  if(NOT EXISTS /usr/include/${dir})
    message(FATAL_ERROR "/usr/include/${dir} is missing: run scripts/bootstrap")
  endif()
  file(CREATE_LINK /usr/include/${dir} ${ZEL_HEADER_ONLY}/${dir} SYMBOLIC)
endforeach()
add_library(header_only INTERFACE)
target_include_directories(header_only SYSTEM INTERFACE ${ZEL_HEADER_ONLY})
