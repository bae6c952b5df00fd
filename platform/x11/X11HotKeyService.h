#pragma once

#include "platform/HotKeyService.h"
#include "platform/x11/KeymapWatch.h"
#include "platform/x11/XConnection.h"

#include <QMap>
#include <QString>
#include <optional>
#include <vector>

typedef struct _XDisplay Display;
class QSocketNotifier;

namespace corv
{

// Global hot keys by grabbing the key on the X root window, on a private
// Xlib connection whose events are read on the GUI thread. When the X server
// goes away the keys are dropped with one line on standard error, and
// every later registration fails.
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
        int vk = 0;
        int keycode = 0;
        unsigned modifiers = 0;         // X modifier mask without the lock variants
        unsigned numLock = 0;           // NumLock's mask when grabbed
        std::vector<unsigned> variants; // every mask actually grabbed
    };

    void readEvents();
    // Grabs every lock variant of grab's key; on failure none stays grabbed.
    bool grabKey(Grab& grab);
    void ungrab(Grab& grab);
    void regrabAll();
    unsigned numLockMask();

    void connectionLost();

    XConnection connection_;
    Display* dpy_ = nullptr; // connection_'s; null when it could not be opened
    unsigned long root_ = 0;
    std::optional<KeymapWatch> keymap_;
    QSocketNotifier* notifier_ = nullptr;
    QMap<int, Grab> grabs_;
};

} // namespace corv
