# No source folder in any object (__FILE__ in assertions), so that two builds
# of one commit in any folders give the same bytes: for the Windows build and,
# as their project include, for the libraries built from Debian's source
# packages. Given as an option of its own rather than in CMAKE_C_FLAGS, which
# is split at blanks: a folder may have blanks and Cyrillic letters in its
# name.
add_compile_options("-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=")
