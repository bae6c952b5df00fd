#pragma once

#include "platform/KeyHolds.h"
#include "platform/KeyInjector.h"

#include <QList>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace corv
{

class XkbKeymap;

// Where the virtual keyboard's file descriptor and set-up requests go: the
// real /dev/uinput, or whatever a test records them with.
struct UinputDevice {
    QString path;
    // The fd to write events to, or -1 with errno set.
    std::function<int()> open;
    std::function<int(int fd, unsigned long request, uintptr_t arg)> ioctl;
    // How long the new device takes to be attached before events reach it.
    std::chrono::milliseconds settle{0};

    static UinputDevice real(const QString& path);
};

// Types through a virtual keyboard made with /dev/uinput, so it works on
// Wayland sessions and text consoles too. With a keymap, each printable code
// is typed on the key that carries its keysym on that layout, with the
// level's Shift or AltGr around it; without one, or when positional, keys
// go by their US position. The layout cannot gain keys here: what it lacks
// is not typed.
class UinputKeyInjector : public KeyInjector
{
public:
    ~UinputKeyInjector() override;

    // Creates the virtual keyboard; null with *error set when that fails.
    // keymap may be null: keys then go by position.
    static std::unique_ptr<UinputKeyInjector>
    open(const UinputDevice& device, std::shared_ptr<const XkbKeymap> keymap, QString* error);
    static std::unique_ptr<UinputKeyInjector> open(const QString& path, QString* error);
    // Writes the key events to an fd that is already set up (or any pipe);
    // takes ownership of fd.
    static std::unique_ptr<UinputKeyInjector> fromFd(int fd);

    bool failed() const { return fd_ < 0; }
    bool typesCharacters() const override { return keymap_ != nullptr; }
    bool canType(char32_t c) const override;
    void setPositional(bool positional) override { positional_ = positional; }

protected:
    void sendKey(int vk, bool down) override;
    void sendShifted(int vk, bool down) override;
    void sendCharacter(char32_t c, bool down) override;

private:
    UinputKeyInjector(int fd, std::function<int(int, unsigned long, uintptr_t)> ioctl,
                      std::shared_ptr<const XkbKeymap> keymap);
    // Shift and AltGr at most.
    using Holds = KeyHolds<0x300, 2>;
    using Held = Holds::Held;
    struct Place {
        int code = 0;
        bool shift = false, altGr = false;
    };
    Place placeFor(int vk) const;
    Place characterPlace(char32_t c) const;
    Held press(Place place);
    void release(Held& held);
    void keyEvent(int code, int value);
    bool write(int type, int code, int value);
    void fail();

    int fd_;
    std::function<int(int, unsigned long, uintptr_t)> ioctl_; // empty: not our device
    std::shared_ptr<const XkbKeymap> keymap_;
    bool positional_ = false;
    std::array<Held, 256> held_{};
    std::array<Held, 256> shifted_{};
    std::map<char32_t, Held> characters_;
    Holds holds_;
};

} // namespace corv
