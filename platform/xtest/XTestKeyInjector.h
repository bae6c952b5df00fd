#pragma once

#include "platform/KeyInjector.h"
#include "platform/x11/KeymapWatch.h"
#include "platform/x11/XConnection.h"

#include <QString>
#include <array>
#include <memory>

class QSocketNotifier;
typedef struct _XkbDesc* XkbDescPtr;

namespace corv
{

// Types through the X server's XTEST extension on a connection of its own.
// Each code is turned into the key that carries its keysym in the current
// keyboard layout, so a letter types that letter on any layout; a printable
// character on a shifted level (Shift, AltGr) is typed with that level's
// modifiers held around it. When the X server goes away it says so on
// standard error, types nothing more and reports the loss.
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

protected:
    void sendKey(int vk, bool down) override;

private:
    explicit XTestKeyInjector(std::unique_ptr<XConnection> connection);
    void readMappingChanges();
    Place levelPlace(unsigned long keysym);
    // A key that sets exactly this modifier bit while held, 0 if none.
    int modifierKey(unsigned bit) const;
    // The modifier bits the keys this injector holds down set.
    unsigned heldModifiers() const;
    void connectionLost();

    std::unique_ptr<XConnection> connection_;
    Display* dpy_;
    KeymapWatch keymap_;
    std::unique_ptr<QSocketNotifier> notifier_;
    XkbDescPtr xkb_ = nullptr; // layout in use, read again after each change

    // What each held code went down with: a layout change while a key is
    // held must not release a different key, nor leave a modifier down.
    struct Held {
        unsigned char keycode = 0;
        std::array<unsigned char, 3> modifiers{};
    };
    std::array<Held, 256> held_{};
};

} // namespace corv
