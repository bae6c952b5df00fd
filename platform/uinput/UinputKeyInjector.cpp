#include "platform/uinput/UinputKeyInjector.h"

#include "platform/VkTable.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace corv
{

std::unique_ptr<UinputKeyInjector> UinputKeyInjector::open(const QString& path, QString* error)
{
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("Cannot open %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    bool ok = ioctl(fd, UI_SET_EVBIT, EV_KEY) == 0 && ioctl(fd, UI_SET_EVBIT, EV_SYN) == 0;
    for (const VkKey& row : VkTable::rows()) {
        if (ok && row.linuxKey != 0)
            ok = ioctl(fd, UI_SET_KEYBIT, row.linuxKey) == 0;
    }
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    setup.id.vendor = 0x1209;
    setup.id.product = 0xc0a7;
    std::snprintf(setup.name, sizeof setup.name, "Corvane virtual keyboard");
    ok = ok && ioctl(fd, UI_DEV_SETUP, &setup) == 0 && ioctl(fd, UI_DEV_CREATE) == 0;
    if (!ok) {
        *error = QStringLiteral("Cannot create a virtual keyboard on %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return nullptr;
    }
    // The kernel announces the new device and udev and the display server
    // attach it only then; events written before that are dropped.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return std::unique_ptr<UinputKeyInjector>(new UinputKeyInjector(fd, true));
}

std::unique_ptr<UinputKeyInjector> UinputKeyInjector::fromFd(int fd)
{
    return std::unique_ptr<UinputKeyInjector>(new UinputKeyInjector(fd, false));
}

UinputKeyInjector::~UinputKeyInjector()
{
    releaseAll();
    if (fd_ >= 0) {
        if (device_)
            ioctl(fd_, UI_DEV_DESTROY);
        ::close(fd_);
    }
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

void UinputKeyInjector::sendKey(int vk, bool down)
{
    const int code = VkTable::linuxKey(vk);
    if (code == 0 || fd_ < 0)
        return;
    if (!write(EV_KEY, code, down ? 1 : 0) || !write(EV_SYN, SYN_REPORT, 0))
        fail();
}

void UinputKeyInjector::fail()
{
    qWarning("virtual keyboard stopped: %s", std::strerror(errno));
    // Destroying the device makes the kernel release every key it holds, so
    // nothing stays down after a failed write.
    if (device_)
        ioctl(fd_, UI_DEV_DESTROY);
    ::close(fd_);
    fd_ = -1;
}

} // namespace corv
