# GoogleTest built from Debian's sources (package googletest) for a
# cross-compiled Windows build, where the host's libraries cannot be used.
set(MAZE_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${MAZE_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${MAZE_GOOGLETEST_SOURCE}; "
                      "install the googletest package")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${MAZE_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Not our code: keep its warnings from failing the build.
foreach(target gtest gtest_main)
  target_compile_options(${target} PRIVATE -Wno-error)
endforeach()
