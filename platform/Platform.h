#pragma once

#include <QByteArrayList>
#include <QString>
#include <memory>

class QCommandLineParser;
class QObject;

namespace corv
{

class FocusService;
class HotKeyService;
class Joystick;
class KeyInjector;
class KeyboardLayout;

// The one place that picks the backends of the platform services.
class Platform
{
public:
    // SPEC as taken by --joystick; empty for the first joystick found.
    static std::unique_ptr<Joystick> createJoystick(const QString& spec, QObject* parent = nullptr);
    // BACKEND is auto, xtest, uinput or print. Null with *error set (a
    // sentence saying what to do) when the backend cannot run here.
    static std::unique_ptr<KeyInjector> createKeyInjector(const QString& backend, QString* error);
    // The same, with the keyboard layout a uinput keyboard types on as
    // --keyboard-layout takes it (LAYOUT[:VARIANT]); empty for the session's.
    // Says on standard error which backend and layout it chose, when that
    // is not plain X.
    static std::unique_ptr<KeyInjector>
    createKeyInjector(const QString& backend, const QString& layoutSpec, QString* error);
    static std::unique_ptr<HotKeyService> createHotKeyService(QObject* parent = nullptr);
    // Follows the focused window; available() says whether the desktop lets it.
    static std::unique_ptr<FocusService> createFocusService(QObject* parent = nullptr);
    // Whether the X display of $DISPLAY can be reached. The connection that
    // found out is kept for the first X connection of our own (hot key,
    // keys or focus), which would open one more a moment later.
    static bool displayReachable();
    // The keyboard layout keys are typed on with BACKEND: the X display's,
    // or for uinput (or without an X display) the one compiled from
    // layoutSpec or the system's keyboard configuration. Null for print or
    // when none can be read.
    static std::unique_ptr<KeyboardLayout> openKeyboardLayout(const QString& backend = {},
                                                              const QString& layoutSpec = {});
    // The name of vk's key whatever the layout ("F13", "KP_Separator");
    // empty for codes no key stands for.
    static QString keyName(int vk);

    // Whether the command line only asks for what needs no window: --help,
    // --version, --list-joysticks or one of the program's own `more`. Such a
    // run takes a plain core application, which works where no display can
    // be reached.
    static bool wantsNoWindow(int argc, char* argv[], const QByteArrayList& more = {});
    // Adds --joystick and --list-joysticks, and --keys and --keyboard-layout
    // when withKeys is set.
    static void addOptions(QCommandLineParser& parser, bool withKeys);
    // Handles --list-joysticks: prints the list and returns true, after
    // which the program exits with *exitCode.
    static bool handleListJoysticks(const QCommandLineParser& parser, int* exitCode);
    static QString joystickSpec(const QCommandLineParser& parser);
    // The --keys value in lower case, as createKeyInjector takes it.
    static QString keysBackend(const QCommandLineParser& parser);
    // The --keyboard-layout value, as createKeyInjector takes it.
    static QString keyboardLayoutSpec(const QCommandLineParser& parser);
};

} // namespace corv
