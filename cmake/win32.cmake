# Windows build: the 21 programs as statically linked GUI executables, and
# the end-to-end test driver that runs them under Wine.
enable_language(RC)
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")
# Reproducible programs: no link time in the PE header, no build folder in
# the code, so two builds of one commit give the same bytes.
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -Wl,--no-insert-timestamp")
include(${CMAKE_SOURCE_DIR}/cmake/source_prefix_map.cmake)

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

# The release version in every program's version resource and manifest.
string(REPLACE "." "," ZEL_VERSION_COMMAS "${PROJECT_VERSION}.0")
set(ZEL_VERSION_DOTS "${PROJECT_VERSION}.0")
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(ZEL_MANIFEST_ARCH amd64)
else()
  set(ZEL_MANIFEST_ARCH x86)
endif()
function(zel_identity target description)
  set(ZEL_PROGRAM ${target})
  set(ZEL_FILE_DESCRIPTION "${description}")
  set(dir ${CMAKE_BINARY_DIR}/identity)
  set(ZEL_MANIFEST ${dir}/${target}.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/resources/program.manifest.in ${ZEL_MANIFEST} @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/resources/version.rc.in ${dir}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
  set_source_files_properties(${dir}/${target}.rc PROPERTIES OBJECT_DEPENDS ${ZEL_MANIFEST})
endfunction()

# Each viewer's mode name, as its window and the browser's list show it.
set(ZEL_MODE_NAME_01 "CRn 20 estimate")
set(ZEL_MODE_NAME_02 "CRn 20")
set(ZEL_MODE_NAME_03 "Integral 1 CRn")
set(ZEL_MODE_NAME_04 "CRn channel background")
set(ZEL_MODE_NAME_05 "Radon in water")
set(ZEL_MODE_NAME_06 "Radon flux")
set(ZEL_MODE_NAME_07 "EEC channel background")
set(ZEL_MODE_NAME_10 "EEC with manual settings")
set(ZEL_MODE_NAME_12 "CRn 20 without blower (wb)")
set(ZEL_MODE_NAME_13 "CRn 60 without blower (wb)")
set(ZEL_MODE_NAME_14 "EEC  - 5")
set(ZEL_MODE_NAME_15 "EEC  - 2")
set(ZEL_MODE_NAME_18 "Radon in air")
set(ZEL_MODE_NAME_19 "Radon in soil")
set(ZEL_MODE_NAME_20 "EEC Thoron")
set(ZEL_MODE_NAME_21 "Integral 2 CRn")
set(ZEL_MODE_NAME_22 "EEC  - 10")
set(ZEL_MODE_NAME_24 "CTn")
set(ZEL_MODE_NAME_25 "CRn with manual settings")
set(ZEL_MODE_NAME_26 "CRn 60")

set(ZEL_VIEWER_MODES 01 02 03 04 05 06 07 10 12 13 14 15 18 19 20 21 22 24 25 26)
set(ZEL_PROGRAMS)
foreach(mode ${ZEL_VIEWER_MODES})
  add_executable(ZelV_${mode} WIN32 ${CMAKE_SOURCE_DIR}/viewer/programs/ZelV_${mode}.cpp)
  target_link_libraries(ZelV_${mode} PRIVATE zelframe)
  target_compile_options(ZelV_${mode} PRIVATE ${ZEL_WARNINGS})
  zel_resources(ZelV_${mode} viewer.rc)
  zel_identity(ZelV_${mode} "ZelViewer viewer: ${ZEL_MODE_NAME_${mode}}")
  list(APPEND ZEL_PROGRAMS ZelV_${mode})
endforeach()

file(GLOB ZEL_BROWSER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/browser/win32/*.cpp)
if(ZEL_BROWSER_SOURCES)
  add_executable(ZelViewer WIN32 ${ZEL_BROWSER_SOURCES})
  target_link_libraries(ZelViewer PRIVATE zelwin)
  target_compile_options(ZelViewer PRIVATE ${ZEL_WARNINGS})
  zel_resources(ZelViewer browser.rc)
  zel_identity(ZelViewer "ZelViewer record browser")
  list(APPEND ZEL_PROGRAMS ZelViewer)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/kvd/main.cpp)
  include(${CMAKE_SOURCE_DIR}/cmake/kvd_win32.cmake)
endif()

include(${CMAKE_SOURCE_DIR}/tests/e2e/e2e.cmake)
