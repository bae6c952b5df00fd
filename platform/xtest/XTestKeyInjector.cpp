#include "platform/xtest/XTestKeyInjector.h"

#include "platform/VkTable.h"

#include <QSocketNotifier>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>
#include <bit>

namespace corv
{

namespace
{

bool hasXTest(Display* dpy)
{
    int event = 0, error = 0, major = 0, minor = 0;
    return XTestQueryExtension(dpy, &event, &error, &major, &minor);
}

// Keys pressed to reach a level: never a lock, nor a group switch, which
// would outlast the character.
bool isLevelShift(KeySym sym)
{
    return sym == XK_Shift_L || sym == XK_Shift_R || sym == XK_ISO_Level3_Shift ||
           sym == XK_ISO_Level5_Shift;
}

} // namespace

std::unique_ptr<XTestKeyInjector> XTestKeyInjector::open(const QString& display, QString* error)
{
    auto connection = std::make_unique<XConnection>(display);
    if (!connection->display()) {
        *error = QStringLiteral("Cannot open the X display %1")
                     .arg(display.isEmpty() ? qEnvironmentVariable("DISPLAY") : display);
        return nullptr;
    }
    if (!hasXTest(connection->display())) {
        *error = QStringLiteral("The X server has no XTEST extension");
        return nullptr;
    }
    // Other clients' grabs must not hold our synthetic keys back.
    XTestGrabControl(connection->display(), True);
    return std::unique_ptr<XTestKeyInjector>(new XTestKeyInjector(std::move(connection)));
}

XTestKeyInjector::XTestKeyInjector(std::unique_ptr<XConnection> connection)
    : connection_(std::move(connection)), dpy_(connection_->display()), keymap_(dpy_),
      notifier_(std::make_unique<QSocketNotifier>(ConnectionNumber(dpy_), QSocketNotifier::Read))
{
    connection_->setOnLost([this] { connectionLost(); });
    // Reading as events come keeps the layout fresh and notices a server
    // that went away at once, not at the next key.
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readMappingChanges(); });
}

XTestKeyInjector::~XTestKeyInjector()
{
    releaseAll();
    // Closing the connection, after the notifier is gone, may be what finds
    // the server gone: nobody is left to hear of it.
    connection_->setOnLost(nullptr);
    if (xkb_)
        XkbFreeKeyboard(xkb_, 0, True);
}

void XTestKeyInjector::connectionLost()
{
    qWarning("lost the X display %s; keys can no longer be typed", qPrintable(connection_->name()));
    notifier_->setEnabled(false);
    reportLost();
}

void XTestKeyInjector::readMappingChanges()
{
    // Only keyboard map changes arrive on this connection.
    while (!connection_->lost() && XPending(dpy_) > 0) {
        XEvent ev;
        XNextEvent(dpy_, &ev);
        if (keymap_.handle(ev) && xkb_) {
            XkbFreeKeyboard(xkb_, 0, True);
            xkb_ = nullptr;
        }
    }
}

XTestKeyInjector::Place XTestKeyInjector::placeFor(int vk)
{
    readMappingChanges();
    const unsigned long sym = VkTable::keysym(vk);
    if (sym == 0 || connection_->lost())
        return {};
    // Other keys go by their keycode alone, so that the keypad follows Num
    // Lock like the real keypad.
    if (sym >= XK_space && sym <= XK_asciitilde)
        return levelPlace(sym);
    return {XKeysymToKeycode(dpy_, sym), 0};
}

XTestKeyInjector::Place XTestKeyInjector::levelPlace(unsigned long keysym)
{
    if (!xkb_)
        xkb_ =
            XkbGetMap(dpy_, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd);
    if (!xkb_ || !xkb_->map)
        return {};
    XkbStateRec state{};
    XkbGetState(dpy_, XkbUseCoreKbd, &state);
    int levels = 1;
    for (int t = 0; t < xkb_->map->num_types; ++t)
        levels = std::max(levels, int(xkb_->map->types[t].num_levels));

    // Lower levels first, as XKeysymToKeycode does: a character found on two
    // keys is typed with the fewest modifiers.
    for (int level = 0; level < levels; ++level) {
        for (int kc = xkb_->min_key_code; kc <= xkb_->max_key_code; ++kc) {
            const int groups = XkbKeyNumGroups(xkb_, kc);
            if (groups == 0)
                continue;
            const int group = state.group % groups;
            const XkbKeyTypeRec* type = XkbKeyKeyType(xkb_, kc, group);
            if (level >= type->num_levels || XkbKeySymEntry(xkb_, kc, level, group) != keysym)
                continue;
            if (level == 0)
                return {kc, 0};
            // The least modifiers that select the level; Caps Lock would stay.
            unsigned mask = 0;
            for (int i = 0; i < type->map_count; ++i) {
                const XkbKTMapEntryRec& entry = type->map[i];
                const unsigned mods = entry.mods.mask;
                if (!entry.active || entry.level != level || mods == 0 || (mods & LockMask))
                    continue;
                if (mask == 0 || std::popcount(mods) < std::popcount(mask))
                    mask = mods;
            }
            bool reachable = mask != 0;
            for (unsigned bit = 1; bit <= mask && reachable; bit <<= 1)
                reachable = !(mask & bit) || modifierKey(bit) != 0;
            if (reachable)
                return {kc, mask};
        }
    }
    return {};
}

int XTestKeyInjector::modifierKey(unsigned bit) const
{
    for (int kc = xkb_->min_key_code; kc <= xkb_->max_key_code; ++kc) {
        if (xkb_->map->modmap[kc] == bit && XkbKeyNumGroups(xkb_, kc) > 0 &&
            isLevelShift(XkbKeySymEntry(xkb_, kc, 0, 0)))
            return kc;
    }
    return 0;
}

unsigned XTestKeyInjector::heldModifiers() const
{
    unsigned mods = 0;
    for (const Held& held : held_) {
        if (held.keycode != 0)
            mods |= xkb_->map->modmap[held.keycode];
    }
    return mods;
}

void XTestKeyInjector::sendKey(int vk, bool down)
{
    Held& held = held_[static_cast<size_t>(vk)];
    if (!down) {
        if (held.keycode != 0 && !connection_->lost()) {
            XTestFakeKeyEvent(dpy_, held.keycode, False, CurrentTime);
            for (auto it = held.modifiers.rbegin(); it != held.modifiers.rend(); ++it) {
                if (*it != 0)
                    XTestFakeKeyEvent(dpy_, *it, False, CurrentTime);
            }
            XFlush(dpy_);
        }
        held = {};
        return;
    }
    // A second press of a held code repeats the key, as a keyboard would.
    const Place place = held.keycode != 0 ? Place{held.keycode, 0} : placeFor(vk);
    if (place.keycode == 0 || connection_->lost())
        return;
    Held record;
    record.keycode = static_cast<unsigned char>(place.keycode);
    // The level's modifiers, unless keys held for the slot already give them.
    const unsigned needed = place.modifiers & ~(place.modifiers ? heldModifiers() : 0);
    size_t n = 0;
    for (unsigned bit = 1; bit <= needed && n < record.modifiers.size(); bit <<= 1) {
        if (!(needed & bit))
            continue;
        record.modifiers[n] = static_cast<unsigned char>(modifierKey(bit));
        XTestFakeKeyEvent(dpy_, record.modifiers[n++], True, CurrentTime);
    }
    XTestFakeKeyEvent(dpy_, record.keycode, True, CurrentTime);
    XFlush(dpy_);
    if (held.keycode == 0)
        held = record;
}

} // namespace corv
