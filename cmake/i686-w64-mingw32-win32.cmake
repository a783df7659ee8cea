# Dockmere.kdx alone (the KDX_MODULE build, cmake/KdxModule.cmake): the same
# mingw-w64 cross compilers in Debian's -win32 thread model
# (g++-mingw-w64-i686-win32). Its static C++ runtime uses the Win32 primitives
# directly instead of winpthreads, so a module loaded and unloaded in a host's
# process carries no pthread state and no thread callback of winpthreads' own
# (tests/README.md, "Nothing left behind").
include(${CMAKE_CURRENT_LIST_DIR}/i686-w64-mingw32.cmake)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-win32)
