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
    bool onLayout(char32_t c) const override;
    // The XTEST backend binds a spare keycode to what the layout lacks.
    bool canType(char32_t c) const override { return c != 0; }
    static QString keyName(int vk);

private:
    explicit X11KeyboardLayout(Display* dpy) : dpy_(dpy) {}

    Display* dpy_;
};

} // namespace corv
