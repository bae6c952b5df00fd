#include "platform/x11/X11KeyboardLayout.h"

#include "platform/VkTable.h"
#include "platform/xkb/CharacterKeysyms.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace corv
{

namespace
{

QString symbolText(KeySym sym)
{
    // Printable Latin-1 and Unicode keysyms are their character; a blank or
    // any other key is better told by name.
    if ((sym > 0x20 && sym < 0x7f) || (sym > 0xa0 && sym <= 0xff))
        return QString(QChar(char16_t(sym)));
    if (sym > 0x1000020 && sym <= 0x110ffff) {
        const char32_t c = char32_t(sym - 0x1000000);
        return QString::fromUcs4(&c, 1);
    }
    const char* name = XKeysymToString(sym);
    return name ? QString::fromLatin1(name) : QString();
}

} // namespace

std::unique_ptr<X11KeyboardLayout> X11KeyboardLayout::open(const QString& display)
{
    const QByteArray native = display.toLocal8Bit();
    Display* dpy = XOpenDisplay(display.isEmpty() ? nullptr : native.constData());
    return dpy ? std::unique_ptr<X11KeyboardLayout>(new X11KeyboardLayout(dpy)) : nullptr;
}

X11KeyboardLayout::~X11KeyboardLayout()
{
    XCloseDisplay(dpy_);
}

QString X11KeyboardLayout::typed(int vk) const
{
    const KeySym sym = VkTable::keysym(vk);
    if (sym == NoSymbol)
        return {};
    // The key the player presses is the first that carries the symbol.
    const KeyCode code = XKeysymToKeycode(dpy_, sym);
    if (code == 0)
        return {};
    // The XTEST backend types a printable character with its level's Shift
    // or AltGr, so wherever the layout has it, it is what arrives.
    if (IsKeypadKey(sym) || (sym >= XK_space && sym <= XK_asciitilde))
        return symbolText(sym);
    XkbStateRec state{};
    XkbGetState(dpy_, XkbUseCoreKbd, &state);
    return symbolText(XkbKeycodeToKeysym(dpy_, code, state.group, 0));
}

bool X11KeyboardLayout::onLayout(char32_t c) const
{
    for (const uint32_t sym : CharacterKeysyms(c)) {
        if (sym != 0 && XKeysymToKeycode(dpy_, sym) != 0)
            return true;
    }
    return false;
}

QString X11KeyboardLayout::keyName(int vk)
{
    const KeySym sym = VkTable::keysym(vk);
    const char* name = sym == NoSymbol ? nullptr : XKeysymToString(sym);
    return name ? QString::fromLatin1(name) : QString();
}

} // namespace corv
