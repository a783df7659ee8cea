# The newer host's side (Brevlin.vx, the stand-in VantrelLib.vx, vantrelhost.exe)
# in the platform compiler's C++ layout and name decoration: clang compiles for
# i686-pc-windows-msvc against mingw-w64's headers, and lld links in its mingw
# mode, so mingw's start-up code (DllMain, WinMain, static initialisers), its
# import libraries and our .def files serve as they do for g++. There is no C++
# runtime for this target: no exceptions, no RTTI, no compiled standard library;
# operator new and delete come from adaptor/PlatformRuntime.cpp.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET i686-w64-mingw32)
set(CMAKE_CXX_COMPILER_TARGET i686-w64-mingw32)
# Resources (the version resource) by mingw-w64's windres, as in the other
# builds: a COFF object that lld links; UTF-8 sources (#pragma code_page(65001)).
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_RC_FLAGS "-c 65001" CACHE STRING "" FORCE)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Linking: lld in mingw mode; libgcc only for mingw's start-up code.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -nostdlib++ -L/usr/lib/gcc/i686-w64-mingw32/12-win32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld -nostdlib++ -L/usr/lib/gcc/i686-w64-mingw32/12-win32")

# Compiling: the MSVC target, given last so that it wins over the mingw target
# above. -mno-stack-arg-probe: no __chkstk in mingw's libraries for this target.
set(PLATFORM_COMPILE_FLAGS
    "--target=i686-pc-windows-msvc -fgnuc-version=4.2.1 -D_X86_ -isystem /usr/share/mingw-w64/include -fno-exceptions -fno-rtti -mno-stack-arg-probe")
set(CMAKE_C_COMPILE_OBJECT "<CMAKE_C_COMPILER> <DEFINES> <INCLUDES> <FLAGS> ${PLATFORM_COMPILE_FLAGS} -o <OBJECT> -c <SOURCE>")
set(CMAKE_CXX_COMPILE_OBJECT "<CMAKE_CXX_COMPILER> <DEFINES> <INCLUDES> <FLAGS> ${PLATFORM_COMPILE_FLAGS} -o <OBJECT> -c <SOURCE>")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
