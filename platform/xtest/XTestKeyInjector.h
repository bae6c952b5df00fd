#pragma once

#include "platform/KeyHolds.h"
#include "platform/KeyInjector.h"
#include "platform/x11/KeymapWatch.h"
#include "platform/x11/XConnection.h"

#include <QString>
#include <QTimer>
#include <array>
#include <map>
#include <memory>

class QSocketNotifier;
typedef struct _XkbDesc* XkbDescPtr;

namespace corv
{

// Types through the X server's XTEST extension on a connection of its own.
// Each code is turned into the key that carries its keysym in the current
// keyboard layout, so a letter types that letter on any layout; a printable
// character on a shifted level (Shift, AltGr) is typed with that level's
// modifiers held around it. A character the layout lacks is bound for the
// moment to a keycode the layout leaves empty. When the X server goes away
// it says so on standard error, types nothing more and reports the loss.
class XTestKeyInjector : public KeyInjector
{
public:
    ~XTestKeyInjector() override;

    // Null with *error set when the display or XTEST is missing.
    static std::unique_ptr<XTestKeyInjector> open(const QString& display, QString* error);

    // Where vk is typed now: its keycode (0 when the layout lacks its keysym)
    // and the X modifier mask of the level it sits on.
    struct Place {
        int keycode = 0;
        unsigned modifiers = 0;
    };
    Place placeFor(int vk);
    int keycodeFor(int vk) { return placeFor(vk).keycode; }
    // Where c is typed now; keycode 0 when only a spare keycode would type it.
    Place characterPlace(char32_t c);
    bool typesCharacters() const override { return true; }
    bool canType(char32_t c) const override;
    void setPositional(bool positional) override { positional_ = positional; }

protected:
    void sendKey(int vk, bool down) override;
    void sendShifted(int vk, bool down) override;
    void sendCharacter(char32_t c, bool down) override;

private:
    explicit XTestKeyInjector(std::unique_ptr<XConnection> connection);
    void readMappingChanges();
    bool loadMap();
    Place levelPlace(unsigned long keysym);
    // A key that sets exactly this modifier bit while held, 0 if none.
    int modifierKey(unsigned bit) const;
    // The modifier bits the keys this injector holds down set.
    unsigned heldModifiers() const;
    void connectionLost();

    // What each held code went down with: a layout change while a key is
    // held must not release a different key, nor leave a modifier down.
    using Holds = KeyHolds<256, 3>;
    using Held = Holds::Held;
    Held press(Place place);
    void release(Held& held);
    // Types c with whatever key and level it needs, binding a spare keycode
    // when the layout has none.
    Held pressCharacter(char32_t c);
    int spareKeycode();
    void bind(int keycode, unsigned long keysym);
    bool stillBound(int keycode, unsigned long keysym);
    void unbindReleased();

    std::unique_ptr<XConnection> connection_;
    Display* dpy_;
    KeymapWatch keymap_;
    std::unique_ptr<QSocketNotifier> notifier_;
    XkbDescPtr xkb_ = nullptr; // layout in use, read again after each change

    std::array<Held, 256> held_{};
    std::array<Held, 256> shifted_{};
    std::map<char32_t, Held> characters_;
    Holds holds_;
    // Spare keycodes bound to a character, with how many holds use each.
    // They are emptied a little after their last release, so that the
    // focused program reads the press with the binding still in place.
    struct Binding {
        unsigned long keysym = 0;
        int users = 0;
    };
    std::map<int, Binding> bindings_;
    QTimer unbindTimer_;
    bool positional_ = false;
};

} // namespace corv
