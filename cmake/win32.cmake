# Windows build: the 21 programs as statically linked GUI executables, and
# the end-to-end test driver that runs them under Wine.
enable_language(RC)
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")

add_library(zelcore STATIC ${ZEL_CORE_SOURCES})
target_include_directories(zelcore PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(zelcore PRIVATE ${ZEL_WARNINGS})

file(GLOB ZEL_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/common/win32/*.cpp)
add_library(zelwin STATIC ${ZEL_WIN32_SOURCES})
target_link_libraries(zelwin PUBLIC zelcore gdi32 user32 kernel32 comdlg32 shell32)
target_compile_options(zelwin PRIVATE ${ZEL_WARNINGS})

file(GLOB ZEL_FRAME_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/viewer/frame/win32/*.cpp)
add_library(zelframe STATIC ${ZEL_FRAME_SOURCES})
target_link_libraries(zelframe PUBLIC zelwin)
target_compile_options(zelframe PRIVATE ${ZEL_WARNINGS})

# The icons are drawn by a host program at build time.
find_program(ZEL_HOST_CXX NAMES g++ c++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(ZEL_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(ZEL_ICONS big small exit look excel up down)
list(TRANSFORM ZEL_ICONS PREPEND ${ZEL_ICON_DIR}/ OUTPUT_VARIABLE ZEL_ICON_FILES)
list(TRANSFORM ZEL_ICON_FILES APPEND .ico)
add_custom_command(OUTPUT ${ZEL_ICON_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZEL_ICON_DIR}
  COMMAND ${ZEL_HOST_CXX} -std=c++20 -O1 ${CMAKE_SOURCE_DIR}/tools/icongen/icongen.cpp -o ${CMAKE_BINARY_DIR}/icongen
  COMMAND ${CMAKE_BINARY_DIR}/icongen ${ZEL_ICON_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/icongen/icongen.cpp VERBATIM)
add_custom_target(icons DEPENDS ${ZEL_ICON_FILES})

function(zel_resources target rc)
  configure_file(${CMAKE_SOURCE_DIR}/resources/${rc} ${ZEL_ICON_DIR}/${rc} COPYONLY)
  target_sources(${target} PRIVATE ${ZEL_ICON_DIR}/${rc})
  set_source_files_properties(${ZEL_ICON_DIR}/${rc} PROPERTIES OBJECT_DEPENDS "${ZEL_ICON_FILES}")
  add_dependencies(${target} icons)
endfunction()

set(ZEL_VIEWER_MODES 01 02 03 04 05 06 07 10 12 13 14 15 18 19 20 21 22 24 25 26)
set(ZEL_PROGRAMS)
foreach(mode ${ZEL_VIEWER_MODES})
  add_executable(ZelV_${mode} WIN32 ${CMAKE_SOURCE_DIR}/viewer/programs/ZelV_${mode}.cpp)
  target_link_libraries(ZelV_${mode} PRIVATE zelframe)
  target_compile_options(ZelV_${mode} PRIVATE ${ZEL_WARNINGS})
  zel_resources(ZelV_${mode} viewer.rc)
  list(APPEND ZEL_PROGRAMS ZelV_${mode})
endforeach()

file(GLOB ZEL_BROWSER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/browser/win32/*.cpp)
if(ZEL_BROWSER_SOURCES)
  add_executable(ZelViewer WIN32 ${ZEL_BROWSER_SOURCES})
  target_link_libraries(ZelViewer PRIVATE zelwin)
  target_compile_options(ZelViewer PRIVATE ${ZEL_WARNINGS})
  zel_resources(ZelViewer browser.rc)
  list(APPEND ZEL_PROGRAMS ZelViewer)
endif()

include(${CMAKE_SOURCE_DIR}/tests/e2e/e2e.cmake)
