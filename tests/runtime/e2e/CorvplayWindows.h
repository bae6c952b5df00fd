#pragma once

// The windows of a corvplay process on the test X server. Include after
// Qt's headers: X11's macros would break them.
#include "CorvplayProcess.h"

#include "XWindows.h"

// A run on the test X server, with its mode window once it is on screen.
class Corvplay : public CorvplayProcess
{
public:
    Window modeWindow(Display* dpy) const
    {
        if (process.state() != QProcess::Running)
            return 0;
        return findWindow(dpy, process.processId(), "Corvane");
    }
};
