# The end-to-end tests: the driver runs the real programs under Wine.
file(GLOB ZEL_E2E_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
list(FILTER ZEL_E2E_SOURCES EXCLUDE REGEX "(stand_in|desktop_keeper)\\.cpp$")
add_executable(zeltest ${ZEL_E2E_SOURCES})
target_link_libraries(zeltest PRIVATE zelcore gdi32 user32 shell32 ole32 uuid version)
target_compile_options(zeltest PRIVATE ${ZEL_WARNINGS})
# Started by scripts/wine-session for the whole session.
add_executable(desktop_keeper WIN32 ${CMAKE_SOURCE_DIR}/tests/e2e/desktop_keeper.cpp)
target_compile_options(desktop_keeper PRIVATE ${ZEL_WARNINGS})
add_dependencies(zeltest desktop_keeper)

option(ZEL_E2E "Register the end-to-end tests (this build runs under the local Wine)" OFF)
if(NOT ZEL_E2E)
  return()
endif()

enable_testing()
set(ZEL_BUILD_ROOT ${CMAKE_BINARY_DIR})
set(ZEL_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run)
set(ZEL_E2E_WORK ${CMAKE_BINARY_DIR}/e2e-work)
# Windows paths of the build, as Wine maps the root to Z:.
string(REPLACE "/" "\\" ZEL_WIN_BIN "Z:${CMAKE_BINARY_DIR}")
string(REPLACE "/" "\\" ZEL_WIN_WORK "Z:${ZEL_E2E_WORK}")

add_test(NAME e2e.session.start COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session start)
set_tests_properties(e2e.session.start PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "ZEL_BUILD=${ZEL_BUILD_ROOT}")
add_test(NAME e2e.session.stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session stop)
set_tests_properties(e2e.session.stop PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "ZEL_BUILD=${ZEL_BUILD_ROOT}")

# zel_e2e(NAME SCENARIO ARGS...)
function(zel_e2e name scenario)
  add_test(NAME e2e.${name}
    COMMAND ${ZEL_WINE_RUN} $<TARGET_FILE:zeltest> ${scenario} ${ZEL_WIN_BIN} ${ZEL_WIN_WORK}\\${name} ${ARGN})
  set_tests_properties(e2e.${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK desktop TIMEOUT 300
    ENVIRONMENT "ZEL_BUILD=${ZEL_BUILD_ROOT}")
endfunction()

foreach(mode ${ZEL_VIEWER_MODES})
  zel_e2e(viewer.window.ZelV_${mode} viewer-window ZelV_${mode})
  zel_e2e(viewer.messages.ZelV_${mode} viewer-messages ZelV_${mode})
endforeach()
zel_e2e(viewer.arguments.ZelV_01 viewer-arguments ZelV_01)
zel_e2e(viewer.arguments.ZelV_14 viewer-arguments ZelV_14)

file(GLOB ZEL_E2E_MORE CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cmake)
list(FILTER ZEL_E2E_MORE EXCLUDE REGEX "e2e\\.cmake$")
foreach(more ${ZEL_E2E_MORE})
  include(${more})
endforeach()
