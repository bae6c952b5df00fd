#include "platform/uinput/UinputKeyInjector.h"

#include "platform/VkTable.h"
#include "platform/xkb/XkbKeymap.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/uinput.h>
#include <set>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace corv
{

UinputDevice UinputDevice::real(const QString& path)
{
    UinputDevice device;
    device.path = path;
    device.open = [native = path.toLocal8Bit()] {
        return ::open(native.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    };
    device.ioctl = [](int fd, unsigned long request, uintptr_t arg) {
        return ::ioctl(fd, request, arg);
    };
    // The kernel announces the new device and udev and the display server
    // attach it only then; events written before that are dropped.
    device.settle = std::chrono::milliseconds(100);
    return device;
}

std::unique_ptr<UinputKeyInjector> UinputKeyInjector::open(const QString& path, QString* error)
{
    return open(UinputDevice::real(path), nullptr, error);
}

std::unique_ptr<UinputKeyInjector> UinputKeyInjector::open(const UinputDevice& device,
                                                           std::shared_ptr<const XkbKeymap> keymap,
                                                           QString* error)
{
    const int fd = device.open();
    if (fd < 0) {
        *error = QStringLiteral("Cannot open %1: %2")
                     .arg(device.path, QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    const auto request = [&](unsigned long what, uintptr_t arg) {
        return device.ioctl(fd, what, arg) == 0;
    };
    // Every key we may send: the positional codes and wherever the layout
    // puts a character, with the keys that select its levels.
    std::set<int> keys{KEY_LEFTSHIFT, KEY_RIGHTALT};
    for (const VkKey& row : VkTable::rows()) {
        if (row.linuxKey != 0)
            keys.insert(row.linuxKey);
    }
    if (keymap) {
        for (const int code : keymap->keyCodes())
            keys.insert(code);
    }
    bool ok = request(UI_SET_EVBIT, EV_KEY) && request(UI_SET_EVBIT, EV_SYN);
    for (const int code : keys) {
        if (ok && code > 0 && code <= KEY_MAX)
            ok = request(UI_SET_KEYBIT, uintptr_t(code));
    }
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    setup.id.vendor = 0x1209;
    setup.id.product = 0xc0a7;
    std::snprintf(setup.name, sizeof setup.name, "Corvane virtual keyboard");
    ok = ok && request(UI_DEV_SETUP, reinterpret_cast<uintptr_t>(&setup)) &&
         request(UI_DEV_CREATE, 0);
    if (!ok) {
        *error = QStringLiteral("Cannot create a virtual keyboard on %1: %2")
                     .arg(device.path, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return nullptr;
    }
    if (device.settle.count() > 0)
        std::this_thread::sleep_for(device.settle);
    return std::unique_ptr<UinputKeyInjector>(
        new UinputKeyInjector(fd, device.ioctl, std::move(keymap)));
}

std::unique_ptr<UinputKeyInjector> UinputKeyInjector::fromFd(int fd)
{
    return std::unique_ptr<UinputKeyInjector>(new UinputKeyInjector(fd, {}, nullptr));
}

UinputKeyInjector::UinputKeyInjector(int fd,
                                     std::function<int(int, unsigned long, uintptr_t)> ioctl,
                                     std::shared_ptr<const XkbKeymap> keymap)
    : fd_(fd), ioctl_(std::move(ioctl)), keymap_(std::move(keymap))
{
}

UinputKeyInjector::~UinputKeyInjector()
{
    releaseAll();
    if (fd_ >= 0) {
        if (ioctl_)
            ioctl_(fd_, UI_DEV_DESTROY, 0);
        ::close(fd_);
    }
}

bool UinputKeyInjector::canType(char32_t c) const
{
    return characterPlace(c).code != 0;
}

UinputKeyInjector::Place UinputKeyInjector::placeFor(int vk) const
{
    const unsigned long sym = VkTable::keysym(vk);
    // Other keys go by their code alone, so that the keypad follows Num Lock
    // like the real keypad.
    if (keymap_ && !positional_ && sym >= 0x20 && sym <= 0x7e) {
        const XkbKeymap::Place p = keymap_->place(uint32_t(sym));
        return {p.code, p.shift, p.altGr};
    }
    return {VkTable::linuxKey(vk)};
}

UinputKeyInjector::Place UinputKeyInjector::characterPlace(char32_t c) const
{
    if (!keymap_)
        return {};
    const XkbKeymap::Place p = keymap_->characterPlace(c);
    return {p.code, p.shift, p.altGr};
}

UinputKeyInjector::Held UinputKeyInjector::press(Place place)
{
    if (fd_ < 0)
        return {};
    const int shift = place.shift ? keymap_->shiftKey() : 0;
    const int altGr = place.altGr ? keymap_->altGrKey() : 0;
    // A key another hold keeps down repeats, as a held keyboard key does;
    // the kernel drops a second press.
    return holds_.press(place.code, {shift, altGr},
                        [this](int code, int value) { keyEvent(code, value); });
}

void UinputKeyInjector::release(Held& held)
{
    holds_.release(held, [this](int code, int value) { keyEvent(code, value); });
}

void UinputKeyInjector::sendKey(int vk, bool down)
{
    Held& held = held_[size_t(vk)];
    if (!down) {
        release(held);
    } else if (held.code != 0) {
        // Pressed again while held: a repeat.
        keyEvent(held.code, 2);
    } else {
        held = press(placeFor(vk));
    }
}

void UinputKeyInjector::sendShifted(int vk, bool down)
{
    // Only printable keys have a US character with Shift; letters, the keypad
    // and the rest keep Shift around the key.
    const char32_t c = VkTable::usCharacter(vk, true);
    if (!keymap_ || positional_ || c == 0 || (vk >= 'A' && vk <= 'Z')) {
        KeyInjector::sendShifted(vk, down);
        return;
    }
    Held& held = shifted_[size_t(vk)];
    if (!down)
        release(held);
    else if (held.code != 0)
        keyEvent(held.code, 2);
    else
        held = press(characterPlace(c));
}

void UinputKeyInjector::sendCharacter(char32_t c, bool down)
{
    if (down) {
        Held& held = characters_[c];
        if (held.code != 0)
            keyEvent(held.code, 2);
        else
            held = press(characterPlace(c));
        return;
    }
    if (const auto it = characters_.find(c); it != characters_.end()) {
        release(it->second);
        characters_.erase(it);
    }
}

void UinputKeyInjector::keyEvent(int code, int value)
{
    if (fd_ < 0)
        return;
    if (!write(EV_KEY, code, value) || !write(EV_SYN, SYN_REPORT, 0))
        fail();
}

bool UinputKeyInjector::write(int type, int code, int value)
{
    input_event ev{};
    ev.type = static_cast<__u16>(type);
    ev.code = static_cast<__u16>(code);
    ev.value = value;
    for (;;) {
        const ssize_t n = ::write(fd_, &ev, sizeof ev);
        if (n == static_cast<ssize_t>(sizeof ev))
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
}

void UinputKeyInjector::fail()
{
    qWarning("virtual keyboard stopped: %s", std::strerror(errno));
    // Destroying the device makes the kernel release every key it holds, so
    // nothing stays down after a failed write.
    if (ioctl_)
        ioctl_(fd_, UI_DEV_DESTROY, 0);
    ::close(fd_);
    fd_ = -1;
}

} // namespace corv
