# libsodium for the Windows build of the companion: the accounts' password
# hashes (Argon2id, crypto_pwhash_str). Debian has it for Linux only, so its
# Debian source package (fetched by scripts/bootstrap into build/debian-src)
# is built here with the mingw-w64 toolchain. That source holds no configure
# script: autoreconf makes one. Only the library (src/libsodium) is built,
# static.
#
# configure runs in the source folder as ./configure, so that automake's
# makefiles name the folders relatively: make cannot take a build folder
# whose name has blanks, and configure would refuse one but for
# cmake/sodium_any_folder.cmake. CFLAGS without its default -g, whose
# debugging information would carry the build folder into the programs.
include(ExternalProject)
include(${CMAKE_SOURCE_DIR}/cmake/submake.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/debian_source.cmake)
zel_debian_source(ZEL_SODIUM_DSC libsodium "libsodium")
find_program(ZEL_AUTORECONF NAMES autoreconf REQUIRED NO_CMAKE_FIND_ROOT_PATH)

set(ZEL_SODIUM_ANY_FOLDER ${CMAKE_SOURCE_DIR}/cmake/sodium_any_folder.cmake)
set(ZEL_SODIUM_SOURCE ${CMAKE_BINARY_DIR}/sodium/source)
set(ZEL_SODIUM_INSTALL ${CMAKE_BINARY_DIR}/sodium/install)
ExternalProject_Add(sodium_build
  PREFIX ${CMAKE_BINARY_DIR}/sodium
  SOURCE_DIR ${ZEL_SODIUM_SOURCE}
  BUILD_IN_SOURCE 1
  DOWNLOAD_COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZEL_SODIUM_SOURCE}
    COMMAND ${ZEL_DPKG_SOURCE} --no-check -x ${ZEL_SODIUM_DSC} ${ZEL_SODIUM_SOURCE}
  PATCH_COMMAND ${CMAKE_COMMAND} -P ${ZEL_SODIUM_ANY_FOLDER}
  CONFIGURE_COMMAND ${ZEL_AUTORECONF} -fi
    COMMAND ./configure --host=${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32 CC=${CMAKE_C_COMPILER}
      CPPFLAGS=-DSODIUM_STATIC CFLAGS=-O2 --disable-shared --enable-static --disable-pie --disable-dependency-tracking
  BUILD_COMMAND ${ZEL_SUBMAKE} -C src/libsodium
  INSTALL_COMMAND ${CMAKE_COMMAND} -E copy src/libsodium/.libs/libsodium.a ${ZEL_SODIUM_INSTALL}/lib
    COMMAND ${CMAKE_COMMAND} -E copy src/libsodium/include/sodium.h ${ZEL_SODIUM_INSTALL}/include
    COMMAND ${CMAKE_COMMAND} -E copy_directory src/libsodium/include/sodium ${ZEL_SODIUM_INSTALL}/include/sodium
  BUILD_BYPRODUCTS ${ZEL_SODIUM_INSTALL}/lib/libsodium.a
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)
# Its makefiles compile nothing again for other options: a change here unpacks
# and builds libsodium afresh.
ExternalProject_Add_StepDependencies(sodium_build download ${CMAKE_CURRENT_LIST_FILE} ${ZEL_SODIUM_ANY_FOLDER})

# SODIUM_STATIC: its headers declare the functions of the static library,
# not of a DLL. Its random numbers come from advapi32 (RtlGenRandom).
file(MAKE_DIRECTORY ${ZEL_SODIUM_INSTALL}/include ${ZEL_SODIUM_INSTALL}/lib)
add_library(zel_sodium STATIC IMPORTED GLOBAL)
set_target_properties(zel_sodium PROPERTIES
  IMPORTED_LOCATION ${ZEL_SODIUM_INSTALL}/lib/libsodium.a
  INTERFACE_INCLUDE_DIRECTORIES ${ZEL_SODIUM_INSTALL}/include
  INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC
  INTERFACE_LINK_LIBRARIES advapi32)
add_dependencies(zel_sodium sodium_build)
