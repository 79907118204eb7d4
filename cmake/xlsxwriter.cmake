# libxlsxwriter and the header-only libraries for the Windows build of the
# companion. Debian has libxlsxwriter for Linux only, so its Debian source
# package (fetched by scripts/bootstrap into build/debian-src) is unpacked and
# built here with the same mingw-w64 toolchain, against Debian's mingw-w64
# zlib. CLI11, nlohmann/json and kainjow's mustache (/usr/include/kainjow,
# which holds mustache.hpp alone) are header-only: their Debian headers serve
# this build as they are, through a folder that holds nothing else, so that
# no other Linux header can slip into a Windows build.
include(ExternalProject)

set(ZEL_DEBIAN_SRC ${CMAKE_SOURCE_DIR}/build/debian-src CACHE PATH "Debian source packages fetched by scripts/bootstrap")
file(GLOB ZEL_XLSX_DSC ${ZEL_DEBIAN_SRC}/libxlsxwriter_*.dsc)
if(NOT ZEL_XLSX_DSC)
  message(FATAL_ERROR "libxlsxwriter's Debian source package is not in ${ZEL_DEBIAN_SRC}: run scripts/bootstrap")
endif()
list(GET ZEL_XLSX_DSC 0 ZEL_XLSX_DSC)
find_program(ZEL_DPKG_SOURCE dpkg-source REQUIRED NO_CMAKE_FIND_ROOT_PATH)

set(ZEL_MINGW_ROOT ${CMAKE_FIND_ROOT_PATH})
set(ZEL_XLSX_INSTALL ${CMAKE_BINARY_DIR}/xlsxwriter/install)
set(ZEL_XLSX_SOURCE ${CMAKE_BINARY_DIR}/xlsxwriter/source)
ExternalProject_Add(xlsxwriter_build
  PREFIX ${CMAKE_BINARY_DIR}/xlsxwriter
  SOURCE_DIR ${ZEL_XLSX_SOURCE}
  INSTALL_DIR ${ZEL_XLSX_INSTALL}
  DOWNLOAD_COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZEL_XLSX_SOURCE}
    COMMAND ${ZEL_DPKG_SOURCE} --no-check -x ${ZEL_XLSX_DSC} ${ZEL_XLSX_SOURCE}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF
    -DCMAKE_INSTALL_PREFIX=${ZEL_XLSX_INSTALL}
    -DZLIB_LIBRARY=${ZEL_MINGW_ROOT}/lib/libz.a
    -DZLIB_INCLUDE_DIR=${ZEL_MINGW_ROOT}/include
    "-DCMAKE_C_FLAGS=-ffile-prefix-map=${ZEL_XLSX_SOURCE}/="
  BUILD_BYPRODUCTS ${ZEL_XLSX_INSTALL}/lib/libxlsxwriter.a
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

file(MAKE_DIRECTORY ${ZEL_XLSX_INSTALL}/include)
add_library(xlsxwriter STATIC IMPORTED GLOBAL)
set_target_properties(xlsxwriter PROPERTIES
  IMPORTED_LOCATION ${ZEL_XLSX_INSTALL}/lib/libxlsxwriter.a
  INTERFACE_INCLUDE_DIRECTORIES ${ZEL_XLSX_INSTALL}/include
  INTERFACE_LINK_LIBRARIES ${ZEL_MINGW_ROOT}/lib/libz.a)
add_dependencies(xlsxwriter xlsxwriter_build)

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
