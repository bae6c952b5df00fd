#pragma once

#include "platform/KeyInjector.h"

#include <QString>
#include <memory>

namespace corv
{

// Types through a virtual keyboard made with /dev/uinput, so it works on
// Wayland sessions and text consoles too.
class UinputKeyInjector : public KeyInjector
{
public:
    ~UinputKeyInjector() override;

    // Creates the virtual keyboard; null with *error set when that fails.
    static std::unique_ptr<UinputKeyInjector> open(const QString& path, QString* error);
    // Writes the key events to an fd that is already set up (or any pipe);
    // takes ownership of fd.
    static std::unique_ptr<UinputKeyInjector> fromFd(int fd);

    bool failed() const { return fd_ < 0; }

protected:
    void sendKey(int vk, bool down) override;

private:
    UinputKeyInjector(int fd, bool device) : fd_(fd), device_(device) {}
    bool write(int type, int code, int value);
    void fail();

    int fd_;
    bool device_;
};

} // namespace corv
