# Project include of the libxlsxwriter sub-build: the source folder mapped
# away as everywhere, and the deflate level of the workbook's parts.
include(${CMAKE_CURRENT_LIST_DIR}/source_prefix_map.cmake)
# libxlsxwriter deflates every part at zlib's default level 6 and offers no
# option for it; most of an export's time went there. The header pins the
# level its packager asks for (see the header); the sheets come out about a
# third larger and read the same in every spreadsheet program.
add_compile_options(-include "${CMAKE_CURRENT_LIST_DIR}/xlsxwriter_deflate_level.h")
# libxlsxwriter's own MD5 (which tells identical images apart) under names of
# its own: its MD5_Init, MD5_Update and MD5_Final are OpenSSL's names, which
# collide with libcrypto's in the static Windows link and, natively, would
# stand in for libcrypto's own MD5 functions, whose context is another type.
add_compile_definitions(MD5_Init=lxw_md5_init MD5_Update=lxw_md5_update MD5_Final=lxw_md5_final)
