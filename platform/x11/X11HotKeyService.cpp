#include "platform/x11/X11HotKeyService.h"

#include "platform/VkTable.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <algorithm>
#include <utility>

namespace corv
{

namespace
{

// Set by the handler below while a grab is being checked. X calls handlers
// synchronously from Xlib on this thread, so a plain flag is enough.
bool gGrabFailed = false;

int recordError(Display*, XErrorEvent* ev)
{
    if (ev->request_code == 33 /* X_GrabKey */)
        gGrabFailed = true;
    return 0;
}

unsigned toXModifiers(unsigned modifiers)
{
    unsigned mask = 0;
    if (modifiers & HotKeyService::ModAlt)
        mask |= Mod1Mask;
    if (modifiers & HotKeyService::ModControl)
        mask |= ControlMask;
    if (modifiers & HotKeyService::ModShift)
        mask |= ShiftMask;
    if (modifiers & HotKeyService::ModWin)
        mask |= Mod4Mask;
    return mask;
}

} // namespace

X11HotKeyService::X11HotKeyService(const QString& display, QObject* parent)
    : HotKeyService(parent), connection_(display), dpy_(connection_.display())
{
    if (!dpy_)
        return;
    connection_.setOnLost([this] { connectionLost(); });
    root_ = DefaultRootWindow(dpy_);
    keymap_.emplace(dpy_);
    notifier_ = new QSocketNotifier(ConnectionNumber(dpy_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &X11HotKeyService::readEvents);
    // Xlib may have read events into its own buffer during a round trip; the
    // socket shows nothing for those, so look before the loop sleeps.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread())) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (!connection_.lost() && XEventsQueued(dpy_, QueuedAlready) > 0)
                readEvents();
        });
    }
}

X11HotKeyService::~X11HotKeyService()
{
    if (!dpy_)
        return;
    for (Grab& grab : grabs_)
        ungrab(grab);
    // Closing the connection, after the members here are gone, may be what
    // finds the server gone: nobody is left to hear of it.
    connection_.setOnLost(nullptr);
    delete std::exchange(notifier_, nullptr);
}

void X11HotKeyService::connectionLost()
{
    // Called inside Xlib, possibly in the middle of a grab or of readEvents:
    // only flags change here. The grabs went with the server.
    qWarning("lost the X display %s; hot keys no longer work", qPrintable(connection_.name()));
    if (notifier_)
        notifier_->setEnabled(false);
}

unsigned X11HotKeyService::numLockMask()
{
    // NumLock sits on a different modifier on different keymaps.
    const KeyCode numLock = XKeysymToKeycode(dpy_, XK_Num_Lock);
    unsigned mask = 0;
    XModifierKeymap* map = XGetModifierMapping(dpy_);
    if (!map)
        return 0;
    for (int mod = 0; mod < 8 && numLock != 0; ++mod) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (map->modifiermap[mod * map->max_keypermod + k] == numLock)
                mask = 1u << mod;
        }
    }
    XFreeModifiermap(map);
    return mask;
}

bool X11HotKeyService::registerHotKey(int id, unsigned modifiers, int vk)
{
    if (!dpy_ || connection_.lost() || grabs_.contains(id))
        return false;
    Grab grab;
    grab.vk = vk;
    grab.modifiers = toXModifiers(modifiers);
    if (!grabKey(grab))
        return false;
    grabs_.insert(id, grab);
    return true;
}

bool X11HotKeyService::grabKey(Grab& grab)
{
    const unsigned long sym = VkTable::keysym(grab.vk);
    grab.keycode = sym == 0 ? 0 : XKeysymToKeycode(dpy_, sym);
    grab.variants.clear();
    if (grab.keycode == 0)
        return false;
    const unsigned numLock = numLockMask();
    grab.numLock = numLock;
    const unsigned extras[] = {0, LockMask, numLock, numLock | LockMask};

    // Xlib's default handler ends the process on BadAccess, which is what
    // another program holding the key gives us.
    XSync(dpy_, False);
    auto* previous = XSetErrorHandler(recordError);
    gGrabFailed = false;
    for (unsigned extra : extras) {
        const unsigned mask = grab.modifiers | extra;
        if (std::find(grab.variants.begin(), grab.variants.end(), mask) != grab.variants.end())
            continue; // no NumLock modifier on this keymap
        XGrabKey(dpy_, grab.keycode, mask, root_, False, GrabModeAsync, GrabModeAsync);
        XSync(dpy_, False);
        if (gGrabFailed)
            break;
        grab.variants.push_back(mask);
    }
    const bool ok = !gGrabFailed;
    if (!ok) {
        ungrab(grab);
        XSync(dpy_, False);
    }
    XSetErrorHandler(previous);
    return ok;
}

void X11HotKeyService::regrabAll()
{
    // A new layout may put the key, or NumLock, elsewhere; a key that cannot
    // be grabbed now stays registered and is tried again on the next change.
    // Switching between keyboards announces a map too, usually the same one:
    // leave grabs alone unless the key or NumLock really moved.
    const unsigned numLock = numLockMask();
    for (Grab& grab : grabs_) {
        const unsigned long sym = VkTable::keysym(grab.vk);
        const int keycode = sym == 0 ? 0 : XKeysymToKeycode(dpy_, sym);
        if (!grab.variants.empty() && keycode == grab.keycode && numLock == grab.numLock)
            continue;
        ungrab(grab);
        grabKey(grab);
    }
}

void X11HotKeyService::unregisterHotKey(int id)
{
    const auto it = grabs_.find(id);
    if (it == grabs_.end())
        return;
    ungrab(*it);
    grabs_.erase(it);
    XFlush(dpy_);
}

void X11HotKeyService::ungrab(Grab& grab)
{
    for (unsigned mask : grab.variants)
        XUngrabKey(dpy_, grab.keycode, mask, root_);
    grab.variants.clear();
}

void X11HotKeyService::readEvents()
{
    constexpr unsigned relevant = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;
    while (!connection_.lost() && XPending(dpy_) > 0) {
        XEvent ev;
        XNextEvent(dpy_, &ev);
        if (keymap_->handle(ev)) {
            regrabAll();
            continue;
        }
        if (ev.type != KeyPress)
            continue;
        // Copy the ids first: a receiver may unregister keys.
        QList<int> hits;
        for (auto it = grabs_.cbegin(); it != grabs_.cend(); ++it) {
            if (!it->variants.empty() && it->keycode == static_cast<int>(ev.xkey.keycode) &&
                it->modifiers == (ev.xkey.state & relevant))
                hits << it.key();
        }
        for (int id : hits)
            emit hotKeyPressed(id);
    }
}

} // namespace corv
