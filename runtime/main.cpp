#include "HotKeyService.h"
#include "Joystick.h"
#include "KeyInjector.h"
#include "Platform.h"
#include "PlayerClient.h"
#include "PlayerService.h"
#include "SignalBridge.h"
#include "TemplateReport.h"
#include "TfrmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace corv;

namespace
{

// Options that need neither a display nor a window: they run on a plain core
// application, so they work where no display can be reached.
bool wantsNoWindow(int argc, char* argv[])
{
    QByteArrayList options{"--check", "--list-joysticks", "-h", "--help", "--help-all",
                           "-v",      "--version"};
    for (const QString& option : PlayerClient::ClientOptions())
        options << "--" + option.toLatin1();
    for (int i = 1; i < argc; ++i) {
        if (options.contains(QByteArray(argv[i]).split('=').first()))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    const bool noWindow = wantsNoWindow(argc, argv);
    // Without any display, run on Qt's offscreen platform so that a dry run
    // still plays the template.
    if (!noWindow && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        TfrmMain::MessageBoxes = false;
    }

    std::unique_ptr<QCoreApplication> app;
    if (noWindow)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvplay"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays a Corvane template: turns joystick 1 into keystrokes for the "
                       "focused window."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("template"),
                                 QStringLiteral("The .joy template to play. Without exactly one, "
                                                "an open dialog asks for it."));
    Platform::addOptions(parser, true);
    const QCommandLineOption checkOption(
        QStringLiteral("check"),
        QStringLiteral("Check and load the template, print what would be played and exit: 0 "
                       "valid, 1 not a template, 2 earlier version, 3 other load error."));
    parser.addOption(checkOption);
    PlayerClient::AddOptions(parser);
    parser.process(*app);

    int exitCode = 0;
    if (Platform::handleListJoysticks(parser, &exitCode))
        return exitCode;

    if (parser.isSet(checkOption)) {
        const QStringList args = parser.positionalArguments();
        QTextStream out(stdout);
        QTextStream err(stderr);
        if (args.size() != 1) {
            err << "corvplay: --check needs exactly one template" << Qt::endl;
            return TemplateReport::LoadError;
        }
        return TemplateReport::Run(args.first(), out, err);
    }

    if (PlayerClient::IsClient(parser)) {
        QTextStream out(stdout);
        QTextStream err(stderr);
        return PlayerClient::Run(parser, out, err);
    }
    // Before anything can type: one player per session.
    {
        QTextStream err(stderr);
        if (const int status = PlayerClient::ClaimPlayer(parser, err))
            return status;
    }

    QApplication::setApplicationDisplayName(QStringLiteral("Corvane"));
    // Hiding the mode window must not end the program; only closing it does.
    QApplication::setQuitOnLastWindowClosed(false);

    QString error;
    const QString backend = Platform::keysBackend(parser);
    std::unique_ptr<KeyInjector> keys = Platform::createKeyInjector(backend, &error);
    if (!keys) {
        TfrmMain::ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), error);
        return EXIT_FAILURE;
    }
    std::unique_ptr<Joystick> joystick = Platform::createJoystick(Platform::joystickSpec(parser));
    std::unique_ptr<HotKeyService> hotKeys = Platform::createHotKeyService();

    int status = EXIT_SUCCESS;
    {
        TfrmMain frmMain(joystick.get(), keys.get(), hotKeys.get());
        // SIGINT and SIGTERM shut down exactly as the menu's Shutdown does.
        SignalBridge bridge(false);
        QObject::connect(&bridge, &SignalBridge::signalReceived, &frmMain,
                         [&frmMain] { frmMain.RequestShutdown(); });
        if (backend == QLatin1String("print"))
            frmMain.SetModeEcho(stdout);
        frmMain.Arguments = parser.positionalArguments();
        PlayerService::Publish(&frmMain);
        if (!frmMain.FormCreate(&frmMain))
            return frmMain.ExitCode;
        status = QCoreApplication::exec();
    }
    // Destroying the injector releases every key still held.
    keys.reset();
    return status;
}
