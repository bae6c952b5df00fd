#include "platform/xtest/XTestKeyInjector.h"

#include "platform/VkTable.h"
#include "platform/xkb/CharacterKeysyms.h"

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

constexpr int UnbindDelayMs = 200;

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
    unbindTimer_.setSingleShot(true);
    unbindTimer_.setInterval(UnbindDelayMs);
    QObject::connect(&unbindTimer_, &QTimer::timeout, notifier_.get(),
                     [this] { unbindReleased(); });
}

XTestKeyInjector::~XTestKeyInjector()
{
    releaseAll();
    unbindReleased();
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

bool XTestKeyInjector::loadMap()
{
    if (!xkb_)
        xkb_ =
            XkbGetMap(dpy_, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd);
    return xkb_ && xkb_->map;
}

XTestKeyInjector::Place XTestKeyInjector::levelPlace(unsigned long keysym)
{
    if (!loadMap())
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
    for (int kc = 0; kc < 256; ++kc) {
        if (holds_.isDown(kc))
            mods |= xkb_->map->modmap[kc];
    }
    return mods;
}

XTestKeyInjector::Held XTestKeyInjector::press(Place place)
{
    if (place.keycode == 0 || connection_->lost())
        return {};
    // The level's modifiers, unless keys held for the slot already give them.
    const unsigned needed = place.modifiers & ~(place.modifiers ? heldModifiers() : 0);
    std::array<int, 3> modifiers{};
    size_t n = 0;
    for (unsigned bit = 1; bit <= needed && n < modifiers.size(); bit <<= 1) {
        if (needed & bit)
            modifiers[n++] = modifierKey(bit);
    }
    if (const auto binding = bindings_.find(place.keycode); binding != bindings_.end())
        ++binding->second.users;
    // A key another hold keeps down is pressed again: a repeat.
    const Held held = holds_.press(place.keycode, modifiers, [this](int keycode, int) {
        XTestFakeKeyEvent(dpy_, static_cast<unsigned>(keycode), True, CurrentTime);
    });
    XFlush(dpy_);
    return held;
}

void XTestKeyInjector::release(Held& held)
{
    if (held.code == 0)
        return;
    const int keycode = held.code;
    const bool live = !connection_->lost();
    holds_.release(held, [this, live](int code, int) {
        if (live)
            XTestFakeKeyEvent(dpy_, static_cast<unsigned>(code), False, CurrentTime);
    });
    if (live)
        XFlush(dpy_);
    if (const auto binding = bindings_.find(keycode); binding != bindings_.end()) {
        if (--binding->second.users == 0)
            unbindTimer_.start();
    }
}

void XTestKeyInjector::sendKey(int vk, bool down)
{
    Held& held = held_[static_cast<size_t>(vk)];
    if (!down) {
        release(held);
        return;
    }
    // A second press of a held code repeats the key, as a keyboard would.
    if (held.code != 0) {
        if (!connection_->lost()) {
            XTestFakeKeyEvent(dpy_, held.code, True, CurrentTime);
            XFlush(dpy_);
        }
        return;
    }
    // Punctuation the layout lacks comes through a spare keycode, as any
    // character does; letters and digits stay on the layout's own keys.
    const char32_t c = VkTable::usCharacter(vk, false);
    // X servers number their keys as the kernel does, 8 up.
    if (positional_ && c > U' ') {
        held = press({VkTable::linuxKey(vk) + 8, 0});
        return;
    }
    const bool punctuation = c > U' ' && !(c >= U'a' && c <= U'z') && !(c >= U'0' && c <= U'9');
    held = punctuation ? pressCharacter(c) : press(placeFor(vk));
}

void XTestKeyInjector::sendShifted(int vk, bool down)
{
    // Only printable keys have a US character with Shift; letters, the keypad
    // and the rest keep Shift around the key.
    if (VkTable::usCharacter(vk, true) == 0 || (vk >= 'A' && vk <= 'Z')) {
        KeyInjector::sendShifted(vk, down);
        return;
    }
    Held& held = shifted_[static_cast<size_t>(vk)];
    if (!down) {
        release(held);
    } else if (held.code == 0) {
        held = pressCharacter(VkTable::usCharacter(vk, true));
    } else if (!connection_->lost()) {
        XTestFakeKeyEvent(dpy_, held.code, True, CurrentTime);
        XFlush(dpy_);
    }
}

void XTestKeyInjector::sendCharacter(char32_t c, bool down)
{
    if (down) {
        // Pressed again while held, it repeats, as sendKey does.
        Held& held = characters_[c];
        if (held.code == 0) {
            held = pressCharacter(c);
        } else if (!connection_->lost()) {
            XTestFakeKeyEvent(dpy_, held.code, True, CurrentTime);
            XFlush(dpy_);
        }
        return;
    }
    if (const auto it = characters_.find(c); it != characters_.end()) {
        release(it->second);
        characters_.erase(it);
    }
}

XTestKeyInjector::Place XTestKeyInjector::characterPlace(char32_t c)
{
    readMappingChanges();
    if (connection_->lost())
        return {};
    for (const uint32_t sym : CharacterKeysyms(c)) {
        if (sym == 0)
            continue;
        for (const auto& [keycode, binding] : bindings_) {
            if (binding.keysym == sym)
                return {keycode, 0};
        }
        if (const Place place = levelPlace(sym); place.keycode != 0)
            return place;
    }
    return {};
}

bool XTestKeyInjector::canType(char32_t c) const
{
    // Looking up reads the layout anew, which changes nothing but the cache.
    auto* self = const_cast<XTestKeyInjector*>(this);
    if (CharacterKeysyms(c)[0] == 0)
        return false;
    return self->characterPlace(c).keycode != 0 ||
           (!connection_->lost() && self->spareKeycode() != 0);
}

XTestKeyInjector::Held XTestKeyInjector::pressCharacter(char32_t c)
{
    Place place = characterPlace(c);
    // A spare keycode gets the Unicode keysym, which every program reads.
    const auto [legacy, unicode] = CharacterKeysyms(c);
    const unsigned long sym = unicode ? unicode : legacy;
    if (place.keycode == 0 && sym != 0 && !connection_->lost()) {
        place.keycode = spareKeycode();
        if (place.keycode == 0 && !bindings_.empty()) {
            // Many characters in a row: free the released ones now.
            unbindReleased();
            place.keycode = spareKeycode();
        }
        if (place.keycode != 0)
            bind(place.keycode, sym);
    }
    return press(place);
}

int XTestKeyInjector::spareKeycode()
{
    if (!loadMap())
        return 0;
    // From the top, where layouts leave the most room.
    for (int kc = xkb_->max_key_code; kc >= xkb_->min_key_code; --kc) {
        if (bindings_.count(kc) != 0 || holds_.isDown(kc) || xkb_->map->modmap[kc] != 0)
            continue;
        bool empty = true;
        for (int i = 0; i < XkbKeyNumSyms(xkb_, kc) && empty; ++i)
            empty = XkbKeySymsPtr(xkb_, kc)[i] == NoSymbol;
        if (empty)
            return kc;
    }
    return 0;
}

void XTestKeyInjector::bind(int keycode, unsigned long keysym)
{
    // Both levels, so that a Shift held for the slot types it too.
    KeySym syms[2] = {keysym, keysym};
    XChangeKeyboardMapping(dpy_, keycode, 2, syms, 1);
    // The server applies it before the key event that follows.
    XSync(dpy_, False);
    bindings_[keycode] = {keysym, 0};
    // The layout read before lacks the binding; the change's own notice,
    // when it comes, only makes it read again.
    if (xkb_) {
        XkbFreeKeyboard(xkb_, 0, True);
        xkb_ = nullptr;
    }
}

bool XTestKeyInjector::stillBound(int keycode, unsigned long keysym)
{
    // A layout loaded since may have put a key of its own there.
    int perCode = 0;
    KeySym* syms = XGetKeyboardMapping(dpy_, static_cast<KeyCode>(keycode), 1, &perCode);
    const bool ours = syms && perCode > 0 && syms[0] == keysym;
    if (syms)
        XFree(syms);
    return ours;
}

void XTestKeyInjector::unbindReleased()
{
    bool changed = false;
    for (auto it = bindings_.begin(); it != bindings_.end();) {
        if (it->second.users > 0) {
            ++it;
            continue;
        }
        if (!connection_->lost() && stillBound(it->first, it->second.keysym)) {
            KeySym none[2] = {NoSymbol, NoSymbol};
            XChangeKeyboardMapping(dpy_, it->first, 2, none, 1);
            changed = true;
        }
        it = bindings_.erase(it);
    }
    if (changed) {
        XSync(dpy_, False);
        if (xkb_) {
            XkbFreeKeyboard(xkb_, 0, True);
            xkb_ = nullptr;
        }
    }
}

} // namespace corv
