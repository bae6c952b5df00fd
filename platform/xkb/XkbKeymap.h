#pragma once

#include "platform/KeyboardLayout.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace corv
{

// Which keyboard layout to compile, and where that was read.
struct XkbLayoutChoice {
    QString layout;
    QString variant;
    QString options;
    QString source; // for the start-up line: "/etc/default/keyboard", ...

    // "de", "us(dvorak)", "fr with options compose:ralt"
    QString describe() const;
};

// The session's keyboard layout compiled with libxkbcommon, for typing
// through a device that sends key codes: where each keysym and character is,
// on the first layout of the keymap. Without a display server to ask, the
// layout is the system's keyboard configuration.
class XkbKeymap : public KeyboardLayout
{
public:
    // What the layout choice is read from; the real ones come from
    // readSources(), tests give rows of their own.
    struct Sources {
        QString envLayout, envVariant, envOptions; // XKB_DEFAULT_*
        QString defaultKeyboard;                   // text of /etc/default/keyboard
        QString xorgKeyboard;                      // text of /etc/X11/xorg.conf.d/00-keyboard.conf
    };
    static Sources readSources();
    // spec is LAYOUT[:VARIANT] from the command line, which wins when set.
    static XkbLayoutChoice choose(const QString& spec, const Sources& sources);

    // Null with *error set when xkbcommon cannot compile the layout.
    static std::unique_ptr<XkbKeymap> compile(const XkbLayoutChoice& choice, QString* error);
    // The session's layout (or spec's); null with *error set on failure.
    static std::unique_ptr<XkbKeymap> openSession(const QString& spec, QString* error);

    // Where a keysym is typed: a Linux key code (0 when the layout lacks
    // it, or only reaches it through a level no key here selects) and the
    // level's modifiers.
    struct Place {
        int code = 0;
        bool shift = false;
        bool altGr = false;
        bool operator==(const Place&) const = default;
    };
    Place place(uint32_t keysym) const;
    Place characterPlace(char32_t c) const;
    // The keys that select the Shift and AltGr levels (KEY_LEFTSHIFT,
    // KEY_RIGHTALT on most layouts); 0 when the layout has none.
    int shiftKey() const { return shiftKey_; }
    int altGrKey() const { return altGrKey_; }
    // Every key code that types some keysym, for announcing the device.
    QList<int> keyCodes() const;
    const XkbLayoutChoice& choice() const { return choice_; }

    QString typed(int vk) const override;
    bool onLayout(char32_t c) const override { return characterPlace(c).code != 0; }

private:
    explicit XkbKeymap(XkbLayoutChoice choice) : choice_(std::move(choice)) {}

    XkbLayoutChoice choice_;
    std::unordered_map<uint32_t, Place> places_;
    // What each key types on its first level, for typed().
    std::unordered_map<int, uint32_t> baseSyms_;
    int shiftKey_ = 0;
    int altGrKey_ = 0;
};

} // namespace corv
