#pragma once

#include "platform/FocusService.h"

namespace corv
{

// The focus as a test sets it: focus() stands for the user activating a window.
class FakeFocusService : public FocusService
{
    Q_OBJECT
public:
    using FocusService::FocusService;

    bool isAvailable = true;

    bool available() const override { return isAvailable; }
    FocusedWindow current() const override { return window_; }
    void focus(const FocusedWindow& window)
    {
        window_ = window;
        emit focusChanged(window_);
    }

private:
    FocusedWindow window_;
};

} // namespace corv
