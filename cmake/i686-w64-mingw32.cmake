# Cross-compiling 32-bit Windows modules with Debian's mingw-w64 (-posix thread model,
# which GoogleTest needs); the programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# UTF-8 resource sources (#pragma code_page(65001)).
set(CMAKE_RC_FLAGS "-c 65001" CACHE STRING "" FORCE)

# Tests and tools run under Wine; scripts/wine-session.sh provides prefix, display and locale.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
