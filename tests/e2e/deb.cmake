# The Debian package, built from the 64-bit programs and read back with
# dpkg-deb, lintian, desktop-file-validate and systemd-analyze; its launcher
# run from an unpacked copy under Wine.
set(ZEL_DEB_TEST ${CMAKE_SOURCE_DIR}/tests/package/deb-test)
set(ZEL_DEB_WORK ${CMAKE_BINARY_DIR}/deb-test)
# The package carries the 64-bit build whichever build runs these tests.
set(ZEL_DEB_WIN ${CMAKE_SOURCE_DIR}/build/win64)
set(ZEL_DEB_ARGS ${PROJECT_VERSION} ${ZEL_DEB_WIN} ${CMAKE_SOURCE_DIR}/build/native ${ZEL_DEB_WORK})
set(ZEL_DEB_PROGRAMS ZelViewer)
foreach(mode ${ZEL_VIEWER_MODES})
  list(APPEND ZEL_DEB_PROGRAMS ZelV_${mode})
endforeach()
string(REPLACE ";" "," ZEL_DEB_PROGRAMS "${ZEL_DEB_PROGRAMS}")

add_test(NAME deb.build COMMAND ${ZEL_DEB_TEST} build ${ZEL_DEB_ARGS})
set_tests_properties(deb.build PROPERTIES FIXTURES_SETUP deb TIMEOUT 300)

foreach(check contents lintian desktop service)
  add_test(NAME deb.${check} COMMAND ${ZEL_DEB_TEST} ${check} ${ZEL_DEB_ARGS} ${ZEL_DEB_PROGRAMS})
  set_tests_properties(deb.${check} PROPERTIES FIXTURES_REQUIRED deb SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()

add_test(NAME deb.launcher COMMAND ${ZEL_DEB_TEST} launcher ${ZEL_DEB_ARGS} ${ZEL_DEB_WIN}/zeltest.exe)
set_tests_properties(deb.launcher PROPERTIES FIXTURES_REQUIRED "deb;wine" RESOURCE_LOCK desktop
  SKIP_RETURN_CODE 77 TIMEOUT 400 ENVIRONMENT "ZEL_BUILD=${ZEL_BUILD_ROOT}")

add_test(NAME deb.reproducible COMMAND ${ZEL_DEB_TEST} reproducible ${ZEL_DEB_ARGS})
set_tests_properties(deb.reproducible PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
