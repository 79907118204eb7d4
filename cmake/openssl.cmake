# OpenSSL for the Windows build of the companion: the TLS of kvd serve's
# HTTPS (cpp-httplib's SSLServer) and its SHA-256. Debian has OpenSSL for
# Linux only, so its Debian source package (fetched by scripts/bootstrap into
# build/debian-src, Debian's patches applied by dpkg-source) is configured
# for mingw-w64 here and only its two static libraries are built.
#
# The build runs in the source folder, where OpenSSL's makefile names every
# file relatively: a build folder with blanks or Cyrillic letters in its name
# reaches neither make nor the compiled code (no folder in __FILE__).
include(ExternalProject)
include(${CMAKE_SOURCE_DIR}/cmake/submake.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/debian_source.cmake)
zel_debian_source(ZEL_OPENSSL_DSC openssl "OpenSSL")
find_program(ZEL_PERL NAMES perl REQUIRED NO_CMAKE_FIND_ROOT_PATH)

# OpenSSL writes the time of its build into the library ("built on", which
# OpenSSL_version tells); the time of this Debian release of its source goes
# in instead, so that two builds of one commit give the same bytes. Set on
# make's command line, which hands it to the commands in their environment.
string(REGEX REPLACE "\\.dsc$" ".debian.tar.xz" ZEL_OPENSSL_DEBIAN ${ZEL_OPENSSL_DSC})
execute_process(COMMAND tar -xOf ${ZEL_OPENSSL_DEBIAN} debian/changelog
                COMMAND dpkg-parsechangelog -l- -STimestamp
                OUTPUT_VARIABLE ZEL_OPENSSL_RELEASED OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
if(failed OR NOT ZEL_OPENSSL_RELEASED)
  message(FATAL_ERROR "The date of OpenSSL's Debian release could not be read from ${ZEL_OPENSSL_DEBIAN}")
endif()

# OpenSSL's mingw targets name the compiler after the cross prefix: the
# toolchain's own compiler (posix thread model) is the rest of its name.
set(ZEL_MINGW_PREFIX ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-)
get_filename_component(ZEL_OPENSSL_CC ${CMAKE_C_COMPILER} NAME)
string(REPLACE ${ZEL_MINGW_PREFIX} "" ZEL_OPENSSL_CC ${ZEL_OPENSSL_CC})
# Its assembler code for x86-64 (AES-NI, carry-less multiplication for GCM:
# fast and free of cache-timing leaks); the C implementations for i686,
# whose assembler code, position-independent by Debian's patches, uses
# relocations that 32-bit COFF cannot represent.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(ZEL_OPENSSL_TARGET mingw64)
  set(ZEL_OPENSSL_ASM)
else()
  set(ZEL_OPENSSL_TARGET mingw)
  set(ZEL_OPENSSL_ASM no-asm)
endif()

# A static library that loads nothing at run time: no DLLs, no engines or
# provider modules, and no openssl.cnf read on its own (whoever could write
# one could weaken the server's TLS). Its own folder, which it would ask only
# for those, is under Program Files, where only an administrator writes: the
# default /usr/local would be C:\usr\local, which any user may create.
# Windows 7 and later, as the programs. Only what a TLS 1.2 and 1.3 server
# with RSA or EC certificates, its SHA-256 and its self-signed certificate
# need is built: the legacy ciphers, protocols before TLS 1.2, DTLS, SRP,
# and the CMS, CMP, OCSP and time-stamp formats are left out, which also
# halves the build.
set(ZEL_OPENSSL_LEFT_OUT
  no-legacy no-ssl3 no-tls1 no-tls1_1 no-dtls no-sctp no-srp no-srtp no-weak-ssl-ciphers no-nextprotoneg
  no-aria no-bf no-camellia no-cast no-idea no-md2 no-md4 no-mdc2 no-rc2 no-rc4 no-rc5 no-seed no-sm2 no-sm3
  no-sm4 no-whirlpool no-gost no-siphash no-siv no-ocb no-ec2m
  no-cms no-cmp no-ocsp no-ts no-ct no-rfc3779 no-comp no-makedepend)
set(ZEL_OPENSSL_SOURCE ${CMAKE_BINARY_DIR}/openssl/source)
set(ZEL_OPENSSL_INSTALL ${CMAKE_BINARY_DIR}/openssl/install)
ExternalProject_Add(openssl_build
  PREFIX ${CMAKE_BINARY_DIR}/openssl
  SOURCE_DIR ${ZEL_OPENSSL_SOURCE}
  BUILD_IN_SOURCE 1
  DOWNLOAD_COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZEL_OPENSSL_SOURCE}
    COMMAND ${ZEL_DPKG_SOURCE} --no-check -x ${ZEL_OPENSSL_DSC} ${ZEL_OPENSSL_SOURCE}
  CONFIGURE_COMMAND ${ZEL_PERL} Configure ${ZEL_OPENSSL_TARGET}
    no-shared no-module no-engine no-autoload-config no-tests ${ZEL_OPENSSL_LEFT_OUT} ${ZEL_OPENSSL_ASM}
    --cross-compile-prefix=${ZEL_MINGW_PREFIX} CC=${ZEL_OPENSSL_CC}
    "--prefix=C:/Program Files/ZelViewer/OpenSSL" -D_WIN32_WINNT=0x0601
  BUILD_COMMAND ${ZEL_SUBMAKE} build_libs SOURCE_DATE_EPOCH=${ZEL_OPENSSL_RELEASED}
  INSTALL_COMMAND ${CMAKE_COMMAND} -E copy libssl.a libcrypto.a ${ZEL_OPENSSL_INSTALL}/lib
    COMMAND ${CMAKE_COMMAND} -E copy_directory include/openssl ${ZEL_OPENSSL_INSTALL}/include/openssl
  BUILD_BYPRODUCTS ${ZEL_OPENSSL_INSTALL}/lib/libssl.a ${ZEL_OPENSSL_INSTALL}/lib/libcrypto.a
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)
# Its makefiles compile nothing again for other options: a change here unpacks
# and builds OpenSSL afresh.
ExternalProject_Add_StepDependencies(openssl_build download ${CMAKE_CURRENT_LIST_FILE})

# Winsock for its sockets, crypt32 for Windows' certificate stores, bcrypt
# for its random numbers; user32 and advapi32 for its fatal-error report.
file(MAKE_DIRECTORY ${ZEL_OPENSSL_INSTALL}/include ${ZEL_OPENSSL_INSTALL}/lib)
add_library(zel_openssl_crypto STATIC IMPORTED GLOBAL)
set_target_properties(zel_openssl_crypto PROPERTIES
  IMPORTED_LOCATION ${ZEL_OPENSSL_INSTALL}/lib/libcrypto.a
  INTERFACE_INCLUDE_DIRECTORIES ${ZEL_OPENSSL_INSTALL}/include
  INTERFACE_LINK_LIBRARIES "ws2_32;crypt32;bcrypt;user32;advapi32")
add_dependencies(zel_openssl_crypto openssl_build)
add_library(zel_openssl_ssl STATIC IMPORTED GLOBAL)
set_target_properties(zel_openssl_ssl PROPERTIES
  IMPORTED_LOCATION ${ZEL_OPENSSL_INSTALL}/lib/libssl.a
  INTERFACE_LINK_LIBRARIES zel_openssl_crypto)
add_dependencies(zel_openssl_ssl openssl_build)
