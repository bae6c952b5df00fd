# corv_add_test(NAME SOURCES src... LIBS lib... [DISPLAY] [SESSION_BUS] [LABELS l...])
# One QtTest executable per class or unit. Tests marked DISPLAY need the X
# server the test command starts and never run at the same time, since they
# move windows, focus and the keymap of that one server; the others run on
# Qt's offscreen platform. SESSION_BUS runs the test on a private D-Bus
# session bus of its own.
function(corv_add_test name)
    cmake_parse_arguments(T "DISPLAY;SESSION_BUS" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    if(T_SESSION_BUS)
        add_test(NAME ${name} COMMAND dbus-run-session -- $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
        # Nor the desktop's bus: a bus that is not there. Left unset, libdbus
        # forks to autolaunch one, a fork that can hang under AddressSanitizer.
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
            DBUS_SESSION_BUS_ADDRESS=unix:path=${PROJECT_BINARY_DIR}/no-session-bus)
    endif()
    set(labels ${T_LABELS})
    if(T_DISPLAY)
        list(APPEND labels display)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK xserver)
    else()
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT QT_QPA_PLATFORM=offscreen)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT 300)
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
        CORV_SOURCE_DIR=${PROJECT_SOURCE_DIR} CORV_BINARY_DIR=${PROJECT_BINARY_DIR})
endfunction()
