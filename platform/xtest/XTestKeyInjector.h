#pragma once

#include "KeyInjector.h"
#include "x11/KeymapWatch.h"

#include <QString>
#include <array>
#include <memory>

typedef struct _XDisplay Display;

namespace corv
{

// Types through the X server's XTEST extension on a connection of its own.
// Each code is turned into the keycode that carries its keysym in the
// current keyboard map, so a letter types that letter on any layout.
class XTestKeyInjector : public KeyInjector
{
public:
    ~XTestKeyInjector() override;

    // Null with *error set when the display or XTEST is missing.
    static std::unique_ptr<XTestKeyInjector> open(const QString& display, QString* error);
    // True when the display is reachable and offers XTEST.
    static bool available(const QString& display);

    // The keycode vk types with now, 0 when the keymap lacks its keysym.
    int keycodeFor(int vk);

protected:
    void sendKey(int vk, bool down) override;

private:
    explicit XTestKeyInjector(Display* dpy) : dpy_(dpy), keymap_(dpy) {}
    void readMappingChanges();

    Display* dpy_;
    KeymapWatch keymap_;
    // The keycode each held code went down with: a layout change while a key
    // is held must not release a different key.
    std::array<unsigned char, 256> downCode_{};
};

} // namespace corv
