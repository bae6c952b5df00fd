#pragma once

#include "platform/KeyboardLayout.h"

#include <QString>
#include <memory>

typedef struct _XDisplay Display;

namespace corv
{

// The layout of an X display's keyboard.
class X11KeyboardLayout : public KeyboardLayout
{
public:
    // Null when the display cannot be reached.
    static std::unique_ptr<X11KeyboardLayout> open(const QString& display = {});
    ~X11KeyboardLayout() override;

    QString typed(int vk) const override;
    static QString keyName(int vk);

private:
    explicit X11KeyboardLayout(Display* dpy) : dpy_(dpy) {}

    Display* dpy_;
};

} // namespace corv
