#pragma once

#include "HotKeyService.h"

#include <QMap>
#include <QString>
#include <vector>

typedef struct _XDisplay Display;
class QSocketNotifier;

namespace corv
{

// Global hot keys by grabbing the key on the X root window, on a private
// Xlib connection whose events are read on the GUI thread.
class X11HotKeyService : public HotKeyService
{
    Q_OBJECT
public:
    // Without a reachable display every registration fails.
    explicit X11HotKeyService(const QString& display = {}, QObject* parent = nullptr);
    ~X11HotKeyService() override;

    bool registerHotKey(int id, unsigned modifiers, int vk) override;
    void unregisterHotKey(int id) override;

private:
    struct Grab {
        int keycode = 0;
        unsigned modifiers = 0;         // X modifier mask without the lock variants
        std::vector<unsigned> variants; // every mask actually grabbed
    };

    void readEvents();
    void ungrab(const Grab& grab);
    unsigned numLockMask();

    Display* dpy_ = nullptr;
    unsigned long root_ = 0;
    QSocketNotifier* notifier_ = nullptr;
    QMap<int, Grab> grabs_;
};

} // namespace corv
