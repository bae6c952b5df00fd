#pragma once

#include <QString>
#include <memory>

typedef struct _XDisplay Display;

namespace corv
{

// What the keys the player presses type on an X display's keyboard layout,
// for people looking up which code to write.
class KeyboardLayout
{
public:
    // Null when the display cannot be reached.
    static std::unique_ptr<KeyboardLayout> open(const QString& display = {});
    ~KeyboardLayout();

    // What the player's press of virtual-key code vk types here with no
    // modifier of the slot held: a character, or X's name of the key; empty
    // when the layout lacks it. Keypad keys are named by what they type with
    // Num Lock on.
    QString typed(int vk) const;
    // X's name of vk's key, whatever the layout ("F13", "KP_Separator");
    // empty for codes no key stands for.
    static QString keyName(int vk);

private:
    explicit KeyboardLayout(Display* dpy) : dpy_(dpy) {}

    Display* dpy_;
};

} // namespace corv
