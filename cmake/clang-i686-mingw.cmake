# Cross-compiling for 32-bit Windows with clang and lld, over the mingw-w64 headers and libraries
# and GCC's libstdc++ (headers, static library and libgcc from the posix-thread mingw-w64 GCC).
# A second compiler for the same DLL: the build must not depend on GCC's quirks.
# The host's 4-byte stack alignment needs no flag here (clang has no -mincoming-stack-boundary):
# for this target clang assumes 4 bytes (its data layout's S32) and realigns a frame that keeps
# 16-byte values.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686-common.cmake)
set(CMAKE_C_COMPILER   clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_ASM_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET   ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
set(CMAKE_ASM_COMPILER_TARGET ${triple})
set(CMAKE_SYSROOT /usr/${triple})

# GCC's own folder (/usr/lib/gcc/i686-w64-mingw32/12-posix): libstdc++'s headers, which clang
# does not look for there, and libstdc++.a, libgcc.a and libgcc_eh.a.
file(GLOB gcc_dirs LIST_DIRECTORIES true /usr/lib/gcc/${triple}/*-posix)
if(NOT gcc_dirs)
  message(FATAL_ERROR "No /usr/lib/gcc/${triple}/*-posix: install g++-mingw-w64-i686-posix (scripts/bootstrap does)")
endif()
list(SORT gcc_dirs COMPARE NATURAL ORDER DESCENDING)
list(GET gcc_dirs 0 gcc_dir)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${gcc_dir}/include/c++ -isystem ${gcc_dir}/include/c++/${triple}")
# lld links. -B makes clang take GCC's crtbegin.o and crtend.o before the mingw-w64 ones: only
# GCC's register the module's unwind tables with libgcc, and without that every C++ exception
# ends the process. GCC's posix thread model puts libstdc++ on winpthread, which GCC's driver
# adds by itself and clang's does not.
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld -B${gcc_dir} -L${gcc_dir} -lpthread")
endforeach()
