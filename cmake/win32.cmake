message(STATUS "win32 part not written yet")
