# Dockmere.kdx comes from a build of launcher/ of its own with the -win32
# thread-model compilers (i686-w64-mingw32-win32.cmake), run at every build of
# this one; the module lands in this build's bin/. The target is named Dockmere,
# so that what needs the module depends on Dockmere. This build's dockmere_core
# is the same sources built by the -posix compilers for the tests and tools.
include(ExternalProject)
ExternalProject_Add(Dockmere
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/kdx-module
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/i686-w64-mingw32-win32.cmake
        -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
        -DKDX_MODULE=ON
        -DKDX_OUTPUT_DIR=${CMAKE_BINARY_DIR}/bin
        -DDOCKMERE_VERSION=${PROJECT_VERSION}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/bin/Dockmere.kdx)
