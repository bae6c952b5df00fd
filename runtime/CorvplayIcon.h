#pragma once

#include <QIcon>

namespace corv
{

// The player's icon, a small joystick, drawn as vectors so every size is
// sharp. icons/corvplay.svg is the same drawing for desktop menus. The
// disabled icon is the same drawing greyed.
QIcon CorvplayIcon(QIcon::Mode mode = QIcon::Normal);

} // namespace corv
