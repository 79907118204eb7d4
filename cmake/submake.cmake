# ZEL_SUBMAKE: the make that builds a library by its own makefile (OpenSSL's,
# libsodium's). With the Makefile generators it is $(MAKE), which joins the
# job server of `cmake --build -jN` and so takes no more than its share of
# the jobs; with other generators, one make with a job per core.
include_guard(GLOBAL)
find_program(ZEL_HOST_MAKE NAMES make REQUIRED NO_CMAKE_FIND_ROOT_PATH)
if(CMAKE_GENERATOR MATCHES "Makefiles")
  set(ZEL_SUBMAKE "$(MAKE)")
else()
  cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
  set(ZEL_SUBMAKE ${ZEL_HOST_MAKE} -j${cores})
endif()
