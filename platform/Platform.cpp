#include "platform/Platform.h"

#include "platform/HotKeyService.h"
#include "platform/KeyInjector.h"
#include "platform/print/PrintKeyInjector.h"
#include "platform/sdl/SdlJoystick.h"
#include "platform/uinput/UinputKeyInjector.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/X11KeyboardLayout.h"
#include "platform/x11/XConnection.h"
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
    const QString name = backend.isEmpty() ? QStringLiteral("auto") : backend.toLower();
    if (name == u"print")
        return std::make_unique<PrintKeyInjector>();
    if (name == u"xtest")
        return XTestKeyInjector::open({}, error);
    // A failed uinput device tells the user how to get one, however it was chosen.
    auto openUinput = [error] {
        auto injector = UinputKeyInjector::open(kUinputPath, error);
        if (!injector)
            *error += QStringLiteral(". ") + uinputAdvice();
        return injector;
    };
    if (name == u"uinput")
        return openUinput();
    if (name == u"auto") {
        // One connection, not one to look and one to type.
        QString unavailable;
        if (auto injector = XTestKeyInjector::open({}, &unavailable))
            return injector;
        if (::access(kUinputPath.toLocal8Bit().constData(), W_OK) == 0)
            return openUinput();
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

bool Platform::displayReachable()
{
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy)
        XConnection::keepSpare(dpy);
    return dpy != nullptr;
}

std::unique_ptr<KeyboardLayout> Platform::openKeyboardLayout()
{
    return X11KeyboardLayout::open();
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

} // namespace corv
