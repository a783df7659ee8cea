# Brevlin.vx, VantrelLib.vx and vantrelhost.exe come from a second build of this
# tree with the platform-layout toolchain (i686-pc-windows-msvc.cmake), run at
# every build of this one; the modules land in this build's bin/. Targets that
# need them depend on platform_modules.
include(ExternalProject)
ExternalProject_Add(platform_modules
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/platform
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/i686-pc-windows-msvc.cmake
        -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
        -DPLATFORM_MODULES=ON
        -DPLATFORM_OUTPUT_DIR=${CMAKE_BINARY_DIR}/bin
        -DDOCKMERE_VERSION=${PROJECT_VERSION}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON
    BUILD_BYPRODUCTS
        ${CMAKE_BINARY_DIR}/bin/Brevlin.vx
        ${CMAKE_BINARY_DIR}/bin/VantrelLib.vx
        ${CMAKE_BINARY_DIR}/bin/vantrelhost.exe)
