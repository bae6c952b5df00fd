#include "platform/Platform.h"

#include "platform/FocusService.h"
#include "platform/HotKeyService.h"
#include "platform/KeyInjector.h"
#include "platform/print/PrintKeyInjector.h"
#include "platform/sdl/SdlJoystick.h"
#include "platform/uinput/UinputKeyInjector.h"
#include "platform/x11/X11FocusService.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/X11KeyboardLayout.h"
#include "platform/x11/XConnection.h"
#include "platform/xkb/XkbKeymap.h"
#include "platform/xtest/XTestKeyInjector.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <X11/Xlib.h>
#include <cstdio>
#include <unistd.h>

namespace corv
{

namespace
{

const QString kUinputPath = QStringLiteral("/dev/uinput");

// Whether an X client has the focus on $DISPLAY, and the display's name
// when it can be reached.
bool xClientHasFocus(QString* display)
{
    XConnection connection;
    if (!connection.display())
        return false;
    *display = connection.name();
    Window focus = None;
    int revert = 0;
    XGetInputFocus(connection.display(), &focus, &revert);
    return !connection.lost() && focus != None && focus != PointerRoot;
}

QString uinputAdvice()
{
    return QStringLiteral("Install the udev rule 60-corvane-uinput.rules, load the uinput module "
                          "(modprobe uinput) and log in again, or run from an X session.");
}

} // namespace

std::unique_ptr<Joystick> Platform::createJoystick(const QString& spec, QObject* parent)
{
    return std::make_unique<SdlJoystick>(spec, parent);
}

std::unique_ptr<KeyInjector> Platform::createKeyInjector(const QString& backend, QString* error)
{
    return createKeyInjector(backend, {}, error);
}

std::unique_ptr<KeyInjector> Platform::createKeyInjector(const QString& backend,
                                                         const QString& layoutSpec, QString* error)
{
    const QString name = backend.isEmpty() ? QStringLiteral("auto") : backend.toLower();
    if (name == u"print")
        return std::make_unique<PrintKeyInjector>();
    if (name == u"xtest")
        return XTestKeyInjector::open({}, error);
    // A failed uinput device tells the user how to get one, however it was
    // chosen; a working one says which layout it types on, and why it was
    // chosen when that was not asked for.
    auto openUinput = [error, &layoutSpec](const QString& why) -> std::unique_ptr<KeyInjector> {
        QString keymapError;
        std::shared_ptr<const XkbKeymap> keymap = XkbKeymap::openSession(layoutSpec, &keymapError);
        auto injector = UinputKeyInjector::open(UinputDevice::real(kUinputPath), keymap, error);
        if (!injector) {
            *error += QStringLiteral(". ") + uinputAdvice();
            return nullptr;
        }
        const QString how =
            keymap
                ? QStringLiteral("typing through uinput with keyboard layout %1 (%2)")
                      .arg(keymap->choice().describe(), keymap->choice().source)
                : QStringLiteral("typing through uinput by US key positions: %1").arg(keymapError);
        qInfo("%s%s", qPrintable(how), qPrintable(why));
        return injector;
    };
    if (name == u"uinput")
        return openUinput({});
    if (name == u"auto") {
        const bool uinputWritable = ::access(kUinputPath.toLocal8Bit().constData(), W_OK) == 0;
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
            // XTest only reaches X clients: on Wayland it is the way only
            // while an XWayland window has the focus.
            QString display;
            const bool xFocus = xClientHasFocus(&display);
            if (xFocus || !uinputWritable) {
                QString unavailable;
                if (auto injector = XTestKeyInjector::open({}, &unavailable)) {
                    qInfo("Wayland session: typing through XTest on XWayland display %s, %s",
                          qPrintable(display),
                          xFocus ? "which has the focus"
                                 : "which reaches X programs only: /dev/uinput is not "
                                   "writable");
                    return injector;
                }
            }
            if (uinputWritable) {
                return openUinput(display.isEmpty() ? QStringLiteral(": no X display is reachable")
                                  : xFocus
                                      ? QStringLiteral(": the X display has no XTEST extension")
                                      : QStringLiteral(": the focused program is not an X client"));
            }
        } else {
            // One connection, not one to look and one to type.
            QString unavailable;
            if (auto injector = XTestKeyInjector::open({}, &unavailable))
                return injector;
            if (uinputWritable)
                return openUinput({});
        }
        *error = QStringLiteral("Cannot type keys: no X display with the XTEST extension is "
                                "reachable and %1 is not writable. %2")
                     .arg(kUinputPath, uinputAdvice());
        return nullptr;
    }
    *error =
        QStringLiteral("Unknown key backend '%1': use auto, xtest, uinput or print.").arg(backend);
    return nullptr;
}

std::unique_ptr<HotKeyService> Platform::createHotKeyService(QObject* parent)
{
    return std::make_unique<X11HotKeyService>(QString(), parent);
}

std::unique_ptr<FocusService> Platform::createFocusService(QObject* parent)
{
    return std::make_unique<X11FocusService>(QString(), parent);
}

bool Platform::displayReachable()
{
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy)
        XConnection::keepSpare(dpy);
    return dpy != nullptr;
}

std::unique_ptr<KeyboardLayout> Platform::openKeyboardLayout(const QString& backend,
                                                             const QString& layoutSpec)
{
    const QString name = backend.toLower();
    if (name == u"print")
        return nullptr;
    if (name != u"uinput") {
        if (auto layout = X11KeyboardLayout::open())
            return layout;
    }
    QString error;
    return XkbKeymap::openSession(layoutSpec, &error);
}

QString Platform::keyName(int vk)
{
    return X11KeyboardLayout::keyName(vk);
}

bool Platform::wantsNoWindow(int argc, char* argv[], const QByteArrayList& more)
{
    static const QByteArrayList common{"--list-joysticks", "-h", "--help",
                                       "--help-all",       "-v", "--version"};
    for (int i = 1; i < argc; ++i) {
        const QByteArray option = QByteArray(argv[i]).split('=').first();
        if (common.contains(option) || more.contains(option))
            return true;
    }
    return false;
}

void Platform::addOptions(QCommandLineParser& parser, bool withKeys)
{
    parser.addOption({QStringLiteral("joystick"),
                      QStringLiteral("Joystick to use: an index, part of its name, or virtual:PATH "
                                     "for a virtual joystick driven by the commands in PATH "
                                     "(- for standard input). Default: the first one found."),
                      QStringLiteral("SPEC")});
    parser.addOption({QStringLiteral("list-joysticks"),
                      QStringLiteral("List the joysticks connected and exit.")});
    if (withKeys) {
        parser.addOption({QStringLiteral("keys"),
                          QStringLiteral("How to type keys: auto, xtest, uinput or print "
                                         "(write them to standard output). Default: auto."),
                          QStringLiteral("BACKEND"), QStringLiteral("auto")});
        parser.addOption({QStringLiteral("keyboard-layout"),
                          QStringLiteral("The keyboard layout uinput types on, as "
                                         "LAYOUT[:VARIANT] (de, us:dvorak). Default: the "
                                         "session's, from XKB_DEFAULT_LAYOUT or the system's "
                                         "keyboard configuration."),
                          QStringLiteral("LAYOUT")});
    }
}

bool Platform::handleListJoysticks(const QCommandLineParser& parser, int* exitCode)
{
    if (!parser.isSet(QStringLiteral("list-joysticks")))
        return false;
    QString error;
    const QStringList lines = SdlJoystick::describeJoysticks(&error);
    if (!error.isEmpty()) {
        qWarning("Cannot start the joystick subsystem: %s", qPrintable(error));
        *exitCode = 1;
        return true;
    }
    if (lines.isEmpty())
        std::printf("No joystick connected.\n");
    for (const QString& line : lines)
        std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
    *exitCode = 0;
    return true;
}

QString Platform::joystickSpec(const QCommandLineParser& parser)
{
    return parser.value(QStringLiteral("joystick"));
}

QString Platform::keysBackend(const QCommandLineParser& parser)
{
    // Backend names are taken in any case; callers compare the lower-case one.
    return parser.value(QStringLiteral("keys")).toLower();
}

QString Platform::keyboardLayoutSpec(const QCommandLineParser& parser)
{
    return parser.value(QStringLiteral("keyboard-layout"));
}

} // namespace corv
