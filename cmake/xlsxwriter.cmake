# libxlsxwriter, for the companion's native and Windows builds alike, built
# here from its Debian source package (fetched by scripts/bootstrap into
# build/debian-src): Debian has it for Linux only, and its Linux build writes
# every number with printf, several times slower than the library's own
# USE_DTOA_LIBRARY formatting, which is also independent of the locale. Its
# own minizip is used; zlib is Debian's, the mingw-w64 one for Windows.
include(ExternalProject)

include(${CMAKE_SOURCE_DIR}/cmake/debian_source.cmake)
zel_debian_source(ZEL_XLSX_DSC libxlsxwriter "libxlsxwriter")

if(CMAKE_CROSSCOMPILING)
  set(ZEL_MINGW_ROOT ${CMAKE_FIND_ROOT_PATH})
  set(ZEL_XLSX_ZLIB ${ZEL_MINGW_ROOT}/lib/libz.a)
  set(ZEL_XLSX_PLATFORM_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE} -DZLIB_LIBRARY=${ZEL_XLSX_ZLIB}
    -DZLIB_INCLUDE_DIR=${ZEL_MINGW_ROOT}/include)
else()
  find_package(ZLIB REQUIRED)
  set(ZEL_XLSX_ZLIB ZLIB::ZLIB)
  set(ZEL_XLSX_PLATFORM_ARGS)
endif()

set(ZEL_XLSX_INSTALL ${CMAKE_BINARY_DIR}/xlsxwriter/install)
set(ZEL_XLSX_SOURCE ${CMAKE_BINARY_DIR}/xlsxwriter/source)
ExternalProject_Add(xlsxwriter_build
  PREFIX ${CMAKE_BINARY_DIR}/xlsxwriter
  SOURCE_DIR ${ZEL_XLSX_SOURCE}
  INSTALL_DIR ${ZEL_XLSX_INSTALL}
  DOWNLOAD_COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZEL_XLSX_SOURCE}
    COMMAND ${ZEL_DPKG_SOURCE} --no-check -x ${ZEL_XLSX_DSC} ${ZEL_XLSX_SOURCE}
  CMAKE_ARGS
    ${ZEL_XLSX_PLATFORM_ARGS}
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF
    -DUSE_DTOA_LIBRARY=ON
    -DUSE_SYSTEM_MINIZIP=OFF
    -DCMAKE_INSTALL_PREFIX=${ZEL_XLSX_INSTALL}
    -DCMAKE_INSTALL_LIBDIR=lib
    -DCMAKE_PROJECT_INCLUDE=${CMAKE_SOURCE_DIR}/cmake/xlsxwriter_project.cmake
  BUILD_BYPRODUCTS ${ZEL_XLSX_INSTALL}/lib/libxlsxwriter.a
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

file(MAKE_DIRECTORY ${ZEL_XLSX_INSTALL}/include)
add_library(xlsxwriter STATIC IMPORTED GLOBAL)
set_target_properties(xlsxwriter PROPERTIES
  IMPORTED_LOCATION ${ZEL_XLSX_INSTALL}/lib/libxlsxwriter.a
  INTERFACE_INCLUDE_DIRECTORIES ${ZEL_XLSX_INSTALL}/include
  INTERFACE_LINK_LIBRARIES ${ZEL_XLSX_ZLIB})
add_dependencies(xlsxwriter xlsxwriter_build)
# The project include decides how the library is compiled: a change to it
# configures and builds the library again.
ExternalProject_Add_StepDependencies(xlsxwriter_build configure ${CMAKE_SOURCE_DIR}/cmake/xlsxwriter_project.cmake
  ${CMAKE_SOURCE_DIR}/cmake/xlsxwriter_deflate_level.h)
