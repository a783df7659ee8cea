# The product version for the modules' version resources (launcher/Version.rc,
# adaptor/Version.rc): PROJECT_VERSION of the top-level build, which the KDX
# module and platform builds receive as DOCKMERE_VERSION. Writes
# <build>/generated/ProductVersion.h; a module's Version.rc finds it and
# cmake/ModuleVersion.rc through PRODUCT_VERSION_INCLUDE_DIR.
foreach(part MAJOR MINOR PATCH TWEAK)
    if(NOT PROJECT_VERSION_${part})
        set(PROJECT_VERSION_${part} 0)
    endif()
endforeach()
set(PRODUCT_VERSION_BINARY
    "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
set(PRODUCT_VERSION_TEXT
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${PROJECT_VERSION_TWEAK}")
set(PRODUCT_VERSION_INCLUDE_DIR ${CMAKE_BINARY_DIR}/generated ${CMAKE_CURRENT_LIST_DIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/ProductVersion.h.in ${CMAKE_BINARY_DIR}/generated/ProductVersion.h @ONLY)
