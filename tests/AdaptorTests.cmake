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

add_library(adaptor_test_kit STATIC support/AdaptorKit.cpp)
target_include_directories(adaptor_test_kit PUBLIC ${PROJECT_SOURCE_DIR}/kdx)
target_link_libraries(adaptor_test_kit PUBLIC vantrel_standin test_support)

add_wine_test(VantrelLibTest SOURCES VantrelLibTest.cpp LIBS adaptor_test_kit)
add_wine_test(AdaptorObjectTest SOURCES AdaptorObjectTest.cpp LIBS adaptor_test_kit DEPENDS Brevlin)
add_wine_test(HostedPanelTest SOURCES HostedPanelTest.cpp LIBS adaptor_test_kit
              DEPENDS Brevlin ${fake_kdx_plugins})
add_wine_test(HostServicesTest SOURCES HostServicesTest.cpp LIBS adaptor_test_kit DEPENDS Brevlin fake_full)
add_wine_test(AdaptorDockmereTest SOURCES AdaptorDockmereTest.cpp LIBS adaptor_test_kit
              DEPENDS Brevlin Dockmere vantrelhost)
