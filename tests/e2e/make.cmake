# The README's commands as a newcomer meets them: a second make builds
# nothing; make run from a folder with Cyrillic letters in its name shows
# the browser on the demo file; the programs run under a locale that holds
# the paths they are given.
set(ZEL_MAKE_TEST ${CMAKE_SOURCE_DIR}/tests/e2e/make-test)

# Alone: it runs the Makefile's configure and build steps of every build,
# which must leave the programs of the other tests untouched.
add_test(NAME make.second-make-builds-nothing COMMAND ${ZEL_MAKE_TEST} second-make ${CMAKE_SOURCE_DIR})
set_tests_properties(make.second-make-builds-nothing PROPERTIES RUN_SERIAL TRUE TIMEOUT 1800)

add_test(NAME make.run-in-cyrillic-folder
  COMMAND ${ZEL_MAKE_TEST} run-demo ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set_tests_properties(make.run-in-cyrillic-folder PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK desktop
  TIMEOUT 300 SKIP_RETURN_CODE 77 ENVIRONMENT "ZEL_BUILD=${ZEL_BUILD_ROOT}")

add_test(NAME make.wine-locale COMMAND ${ZEL_MAKE_TEST} locale ${CMAKE_SOURCE_DIR})
set_tests_properties(make.wine-locale PROPERTIES SKIP_RETURN_CODE 77)
