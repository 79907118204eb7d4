# Run by cmake -P in libsodium's unpacked source, before autoreconf. Its
# configure refuses a folder whose name has blanks, because its tests and
# its installation may fail there with some versions of libtool. Neither is
# run here: only the static library is built, which such a folder does not
# hinder, so that check is taken out.
file(READ configure.ac text)
string(REGEX REPLACE "AS_IF\\(\\[pwd \\| fgrep ' '[^\n]*\n[^\n]*whitespaces[^\n]*\n\\)\n" "" checked "${text}")
if(checked STREQUAL text)
  message(FATAL_ERROR "libsodium's configure.ac no longer has the check of the folder's name that the build takes out")
endif()
file(WRITE configure.ac "${checked}")
