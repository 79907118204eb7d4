# The record browser under Wine, and the stand-in that records how the
# browser starts a viewer program.
add_executable(stand_in WIN32 ${CMAKE_SOURCE_DIR}/tests/e2e/stand_in.cpp)
target_compile_options(stand_in PRIVATE ${ZEL_WARNINGS})
add_dependencies(zeltest stand_in ZelViewer)

foreach(scenario window scroll mark open-record real-viewer look export messages)
  zel_e2e(browser.${scenario} browser-${scenario})
endforeach()
# Prints how long the first rows of a 65,535-record file take to appear.
zel_e2e(browser.first-rows browser-first-rows 65535)
