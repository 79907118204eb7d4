# The pages of kvd serve in headless Chromium, driven by playwright-core
# (pinned in package-lock.json; scripts/bootstrap installs it with npm ci).
# Each test starts the built kvd serve on a fresh archive of its own, so it
# can run beside the others.
find_program(ZEL_NODE node REQUIRED)
find_program(ZEL_SQLITE3 sqlite3 REQUIRED)
find_program(ZEL_CHROMIUM NAMES chromium chromium-browser REQUIRED)
function(zel_browser_test name file)
  add_test(NAME ${name}
           COMMAND ${ZEL_NODE} --test --test-reporter=tap ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${file}
           WORKING_DIRECTORY ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  set_tests_properties(${name} PROPERTIES LABELS browser TIMEOUT 240
    ENVIRONMENT "KVD=$<TARGET_FILE:kvd>;KVDGEN=$<TARGET_FILE:kvdgen>;SQLITE3=${ZEL_SQLITE3};CHROMIUM=${ZEL_CHROMIUM};SCREENSHOTS=${CMAKE_BINARY_DIR}/screenshots")
endfunction()
zel_browser_test(serve.pages serve_pages.test.js)
# The records list: dates, its columns, a phone's width, a long list.
zel_browser_test(serve.pages.records serve_records.test.js)
# The spectrum from the keyboard, a long filter text, the object page's
# charts and protocol, Quit on a shared server.
zel_browser_test(serve.pages.details serve_details.test.js)
# Placing records, the instruments and the placements.
zel_browser_test(serve.pages.placing serve_placing.test.js)
# The Russian pages in Russian throughout, counted words, exports named
# after what they hold.
zel_browser_test(serve.pages.language serve_language.test.js)
zel_browser_test(serve.pages.plural plural.test.js)
# The lab server over HTTPS: signing in, what each role is offered, a
# forced change refused, the history and the audit trail, the accounts.
zel_browser_test(serve.lab lab_server.test.js)
# The laboratory's details, and protocols issued, listed and opened on the
# lab server.
zel_browser_test(serve.lab.protocols lab_protocols.test.js)
