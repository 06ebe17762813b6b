# GoogleTest: the system's for the native tests. The Windows test programs link everything
# statically, so they build it here with their own compiler and flags (an environment's GoogleTest
# DLLs would bring a second copy of GCC's runtime into each program): from a source tree on this
# machine where there is one (Debian's googletest package puts it in /usr/src/googletest), which
# keeps the cross builds offline; otherwise, on Windows itself, from its repository at the same
# release as Debian 12's.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Windows")
  find_package(GTest REQUIRED)
  return()
endif()

# A path of the build machine, not of the Windows sysroot that the toolchain files search.
find_path(VITRELLE_GTEST_SOURCE
  NAMES googletest/include/gtest/gtest.h
  PATHS /usr/src/googletest /usr/local/src/googletest
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
  DOC "GoogleTest's source tree (holding googletest/), built here for the Windows test programs")

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
if(VITRELLE_GTEST_SOURCE)
  add_subdirectory(${VITRELLE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
elseif(NOT CMAKE_CROSSCOMPILING)
  include(FetchContent)
  FetchContent_Declare(googletest
    GIT_REPOSITORY https://github.com/google/googletest.git
    GIT_TAG 58d77fa8070e8cec2dc1ed015d66b454c8d78850  # release-1.12.1, Debian 12's
    SYSTEM)
  FetchContent_MakeAvailable(googletest)
else()
  message(FATAL_ERROR "No GoogleTest source found (Debian's googletest package puts it in "
    "/usr/src/googletest): run scripts/bootstrap, give its folder with -DVITRELLE_GTEST_SOURCE=PATH, "
    "or configure with -DBUILD_TESTING=OFF")
endif()
