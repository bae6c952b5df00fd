#pragma once

class QIcon;

// The player's icon, a small joystick, drawn as vectors so every size is
// sharp. icons/corvplay.svg is the same drawing for desktop menus.
QIcon CorvplayIcon();
