# The adaptor Brevlin, the stand-in host library and the stand-in host.
# Included from tests/CMakeLists.txt.

# Tiny KDX plug-ins, one source built in variants; exports without decoration.
function(add_fake_kdx name)
    add_library(${name} SHARED plugins/fake_kdx.cpp)
    target_compile_definitions(${name} PRIVATE ${ARGN})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/kdx)
    target_link_libraries(${name} PRIVATE user32)
    target_link_options(${name} PRIVATE -Wl,--kill-at)
    set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".kdx")
endfunction()
add_fake_kdx(fake_full)
add_fake_kdx(fake_kind1 FAKE_INFO=0x0001)
add_fake_kdx(fake_kind0 FAKE_INFO=0x6700)
add_fake_kdx(fake_kind2 FAKE_INFO=0x6702)
add_fake_kdx(fake_refuse FAKE_REFUSE)
add_fake_kdx(fake_noinit FAKE_NO_INITIALIZE)
add_fake_kdx(fake_quiet FAKE_NO_TICK FAKE_NO_FORWARD)
add_fake_kdx(fake_nowindow FAKE_NO_WINDOW)
set(fake_kdx_plugins fake_full fake_kind1 fake_kind0 fake_kind2 fake_refuse fake_noinit fake_quiet fake_nowindow)

# The adaptor and the stand-in host library once more, built by g++ under names
# of their own (Brevlin-gxx.vx imports VantrelLib-gxx.vx), for the tests that
# reach the adaptor's logic through g++'s own virtual calls and the scripted host
# of support/StandInHost. The shipped modules are the platform build
# (cmake/PlatformModules.cmake), which AdaptorLayoutTest and vantrelhost.exe drive.
add_library(VantrelLib_gxx SHARED
    ${PROJECT_SOURCE_DIR}/hostlib/VantrelLib.cpp
    ${PROJECT_SOURCE_DIR}/hostlib/VantrelLib.def
    ${PROJECT_SOURCE_DIR}/adaptor/PlatformRuntime.cpp)
target_include_directories(VantrelLib_gxx PUBLIC ${PROJECT_SOURCE_DIR}/adaptor)
target_link_libraries(VantrelLib_gxx PRIVATE user32 kernel32)
set_target_properties(VantrelLib_gxx PROPERTIES PREFIX "" OUTPUT_NAME "VantrelLib-gxx" SUFFIX ".vx")
add_library(Brevlin_gxx SHARED
    ${PROJECT_SOURCE_DIR}/adaptor/KdxAdaptor.cpp
    ${PROJECT_SOURCE_DIR}/adaptor/HostedPanel.cpp
    ${PROJECT_SOURCE_DIR}/adaptor/HostServices.cpp
    ${PROJECT_SOURCE_DIR}/adaptor/LibraryForwards.cpp
    ${PROJECT_SOURCE_DIR}/adaptor/PlatformRuntime.cpp
    ${PROJECT_SOURCE_DIR}/adaptor/Brevlin.def)
target_include_directories(Brevlin_gxx PRIVATE ${PROJECT_SOURCE_DIR}/adaptor ${PROJECT_SOURCE_DIR}/kdx)
target_link_libraries(Brevlin_gxx PRIVATE VantrelLib_gxx user32 kernel32)
set_target_properties(Brevlin_gxx PROPERTIES PREFIX "" OUTPUT_NAME "Brevlin-gxx" SUFFIX ".vx")

add_library(vantrel_standin STATIC support/StandInHost.cpp ${PROJECT_SOURCE_DIR}/hosts/vantrelhost/PanelSession.cpp)
target_include_directories(vantrel_standin PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/support ${PROJECT_SOURCE_DIR}/adaptor
                           ${PROJECT_SOURCE_DIR}/hosts/vantrelhost)
target_link_libraries(vantrel_standin PUBLIC VantrelLib_gxx user32 gdi32 kernel32)

add_library(adaptor_test_kit STATIC support/AdaptorKit.cpp support/PlatformLayout.cpp)
target_include_directories(adaptor_test_kit PUBLIC ${PROJECT_SOURCE_DIR}/kdx)
target_link_libraries(adaptor_test_kit PUBLIC vantrel_standin test_support)

add_wine_test(VantrelLibTest SOURCES VantrelLibTest.cpp LIBS adaptor_test_kit)
add_wine_test(AdaptorObjectTest SOURCES AdaptorObjectTest.cpp LIBS adaptor_test_kit
              DEPENDS Brevlin_gxx platform_modules fake_full)
add_wine_test(HostedPanelTest SOURCES HostedPanelTest.cpp LIBS adaptor_test_kit
              DEPENDS Brevlin_gxx ${fake_kdx_plugins})
add_wine_test(HostServicesTest SOURCES HostServicesTest.cpp LIBS adaptor_test_kit
              DEPENDS Brevlin_gxx platform_modules fake_full)
add_wine_test(AdaptorDockmereTest SOURCES AdaptorDockmereTest.cpp LIBS adaptor_test_kit
              DEPENDS Brevlin_gxx platform_modules Dockmere)
# The shipped platform build through hand-laid tables (support/PlatformLayout).
add_custom_target(help_text ALL
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/adaptor/KdxPanel.ini ${CMAKE_BINARY_DIR}/bin/KdxPanel.ini)
add_wine_test(AdaptorLayoutTest SOURCES AdaptorLayoutTest.cpp LIBS adaptor_test_kit
              DEPENDS platform_modules help_text)
