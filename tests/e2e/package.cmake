# The release packages, installed and removed under Wine, and every program's
# version resource and manifest read back from the files.
set(ZEL_PACKAGE_TEST ${CMAKE_SOURCE_DIR}/tests/package/msi-test)
set(ZEL_PE32_BUILD ${CMAKE_SOURCE_DIR}/build/win32)
string(REPLACE "/" "\\" ZEL_WIN_PE32_BUILD "Z:${ZEL_PE32_BUILD}")
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(ZEL_TEST_ARCHES x86 x64)
else()
  set(ZEL_TEST_ARCHES x86)
endif()

# The PE32 deliverable's package; and, where this build is the PE32+ one, the
# same package of it, which runs everything here.
foreach(arch ${ZEL_TEST_ARCHES})
  if(arch STREQUAL "x86")
    set(programs ${ZEL_PE32_BUILD})
  else()
    set(programs ${CMAKE_BINARY_DIR})
  endif()
  foreach(check install open upgrade verbs)
    add_test(NAME package.msi.${arch}.${check}
      COMMAND ${ZEL_PACKAGE_TEST} ${check} ${arch} ${PROJECT_VERSION} ${programs} ${CMAKE_BINARY_DIR}/package-work/msi-${arch}-${check})
    set_tests_properties(package.msi.${arch}.${check} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK desktop
      TIMEOUT 600 SKIP_RETURN_CODE 77 ENVIRONMENT "ZEL_BUILD=${ZEL_BUILD_ROOT}")
  endforeach()
endforeach()

zel_e2e(package.version-resources version-resources ${PROJECT_VERSION} ${ZEL_WIN_BIN} ${ZEL_WIN_PE32_BUILD})

# The portable zip: its entries, and its browser run from an unpacked copy.
foreach(check entries run)
  add_test(NAME package.zip.${check}
    COMMAND ${CMAKE_SOURCE_DIR}/tests/package/zip-test ${check} ${PROJECT_VERSION} ${ZEL_PE32_BUILD}
      ${CMAKE_BINARY_DIR}/package-work/zip-${check})
  set_tests_properties(package.zip.${check} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK desktop TIMEOUT 300
    SKIP_RETURN_CODE 77 ENVIRONMENT "ZEL_BUILD=${ZEL_BUILD_ROOT}")
endforeach()
if(NOT CMAKE_BINARY_DIR STREQUAL ZEL_PE32_BUILD)
  # The same zip of this build, whose programs run here.
  add_test(NAME package.zip.run-this-build
    COMMAND ${CMAKE_SOURCE_DIR}/tests/package/zip-test run ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}
      ${CMAKE_BINARY_DIR}/package-work/zip-run-this-build)
  set_tests_properties(package.zip.run-this-build PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK desktop
    TIMEOUT 300 SKIP_RETURN_CODE 77 ENVIRONMENT "ZEL_BUILD=${ZEL_BUILD_ROOT}")
endif()

add_test(NAME package.reproducible-programs
  COMMAND ${CMAKE_SOURCE_DIR}/tests/package/pe-test ${ZEL_PE32_BUILD} ${CMAKE_SOURCE_DIR})

# kvd.exe under Wine against the native kvd, on the same files.
add_test(NAME package.kvd-exe-matches-native
  COMMAND ${CMAKE_SOURCE_DIR}/tests/package/kvd-wine-test ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}/build/native
    ${CMAKE_BINARY_DIR}/package-work/kvd-wine)
set_tests_properties(package.kvd-exe-matches-native PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK desktop
  TIMEOUT 600 SKIP_RETURN_CODE 77 ENVIRONMENT "ZEL_BUILD=${ZEL_BUILD_ROOT}")

# kvd.exe serve under Wine, asked over 127.0.0.1 from the Linux side.
add_test(NAME package.kvd-exe-serves
  COMMAND ${CMAKE_SOURCE_DIR}/tests/package/serve-wine-test ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}/build/native
    ${CMAKE_BINARY_DIR}/package-work/kvd-serve)
set_tests_properties(package.kvd-exe-serves PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK desktop
  TIMEOUT 300 SKIP_RETURN_CODE 77 ENVIRONMENT "ZEL_BUILD=${ZEL_BUILD_ROOT}")
