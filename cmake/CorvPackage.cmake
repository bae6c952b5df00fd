# cpack -G DEB: one package, corvane, with the whole suite.
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "The Corvane developers")
set(CPACK_PACKAGE_CONTACT "${CORV_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "play keyboard-only games with a joystick")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvane turns the buttons of a game controller into keystrokes, so that
games and programs that understand only the keyboard can be played from a
joystick or gamepad. A template maps each button, button combination or hat
direction to keystrokes in up to five modes; the player types them into the
focused window through X11 or a uinput virtual keyboard. The editor makes
templates: press a button to identify it, then pick its keystrokes.")
set(CPACK_PACKAGE_HOMEPAGE_URL "${CORV_HOMEPAGE_URL}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's Wayland platform plugin: without it the windows of a Wayland session
# go through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
