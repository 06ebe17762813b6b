# libjpeg for the Windows build where the environment has none (Debian has no mingw package of
# it), so scripts/bootstrap unpacks Debian's libjpeg-turbo source once into build/deps/ and this
# builds it with our toolchain as a static library inside the build tree. The stamps in the
# build tree keep it from being rebuilt. Gives the imported target `JPEG::JPEG`, as
# find_package(JPEG) does.
include(ExternalProject)

set(VITRELLE_LIBJPEG_SOURCE "${PROJECT_SOURCE_DIR}/build/deps/libjpeg-turbo" CACHE PATH
  "Unpacked libjpeg-turbo source, cross-built for the plug-in (scripts/bootstrap fetches it)")
if(NOT EXISTS "${VITRELLE_LIBJPEG_SOURCE}/CMakeLists.txt")
  message(FATAL_ERROR "No libjpeg-turbo source in ${VITRELLE_LIBJPEG_SOURCE}: run scripts/bootstrap")
endif()

set(libjpeg_prefix "${CMAKE_BINARY_DIR}/deps/libjpeg")
set(libjpeg_library "${libjpeg_prefix}/lib/libjpeg.a")

# No SIMD: it would need nasm, and the banner is small. Built with our own toolchain file, so by
# the same compiler as the plug-in, for the same processors. The host hands us a stack aligned to
# 4 bytes only, so libjpeg is compiled with the same promise as our own code (clang assumes it on
# this target already).
if(NOT CMAKE_TOOLCHAIN_FILE)
  message(FATAL_ERROR "cmake/libjpeg.cmake cross-builds libjpeg with the toolchain file of the "
    "build; without one, install libjpeg-turbo's static library where find_package(JPEG) finds it")
endif()
set(libjpeg_c_flags ${VITRELLE_ARCH_FLAGS})
if(CMAKE_C_COMPILER_ID STREQUAL "GNU")
  list(APPEND libjpeg_c_flags -mincoming-stack-boundary=2)
endif()
list(JOIN libjpeg_c_flags " " libjpeg_c_flags)
ExternalProject_Add(libjpeg_build
  PREFIX "${CMAKE_BINARY_DIR}/deps/libjpeg-stamps"
  SOURCE_DIR "${VITRELLE_LIBJPEG_SOURCE}"
  BINARY_DIR "${CMAKE_BINARY_DIR}/deps/libjpeg-build"
  INSTALL_DIR "${libjpeg_prefix}"
  CMAKE_ARGS
    "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}"
    -DCMAKE_BUILD_TYPE=Release
    "-DCMAKE_C_FLAGS=${libjpeg_c_flags}"
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
    -DCMAKE_INSTALL_LIBDIR:PATH=lib
    -DCMAKE_INSTALL_INCLUDEDIR:PATH=include
    -DENABLE_SHARED=OFF
    -DENABLE_STATIC=ON
    -DWITH_SIMD=OFF
    -DREQUIRE_SIMD=OFF
    -DWITH_TURBOJPEG=OFF
  BUILD_BYPRODUCTS "${libjpeg_library}"
  LOG_CONFIGURE ON
  LOG_BUILD ON
  LOG_INSTALL ON
  LOG_OUTPUT_ON_FAILURE ON)

# The include directory must exist when the imported target is defined, before the first build.
file(MAKE_DIRECTORY "${libjpeg_prefix}/include")
add_library(JPEG::JPEG STATIC IMPORTED GLOBAL)
set_target_properties(JPEG::JPEG PROPERTIES
  IMPORTED_LOCATION "${libjpeg_library}"
  INTERFACE_INCLUDE_DIRECTORIES "${libjpeg_prefix}/include")
add_dependencies(JPEG::JPEG libjpeg_build)
