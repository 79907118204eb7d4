# The pages of kvd serve in headless Chromium, driven by playwright-core
# (pinned in package-lock.json; scripts/bootstrap installs it with npm ci).
# The test starts the built kvd serve on a fresh archive of its own, so it
# can run beside the others.
find_program(ZEL_NODE node REQUIRED)
find_program(ZEL_SQLITE3 sqlite3 REQUIRED)
find_program(ZEL_CHROMIUM NAMES chromium chromium-browser REQUIRED)
add_test(NAME serve.pages
         COMMAND ${ZEL_NODE} --test --test-reporter=tap ${CMAKE_CURRENT_LIST_DIR}/serve_pages.test.js
         WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR})
set_tests_properties(serve.pages PROPERTIES LABELS browser TIMEOUT 240
  ENVIRONMENT "KVD=$<TARGET_FILE:kvd>;KVDGEN=$<TARGET_FILE:kvdgen>;SQLITE3=${ZEL_SQLITE3};CHROMIUM=${ZEL_CHROMIUM};SCREENSHOTS=${CMAKE_BINARY_DIR}/screenshots")
