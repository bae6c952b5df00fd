#include "HotKeyService.h"
#include "Joystick.h"
#include "KeyInjector.h"
#include "Platform.h"
#include "SignalBridge.h"
#include "TemplateReport.h"
#include "TfrmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>

using namespace corv;

int main(int argc, char* argv[])
{
    // Without any display, run on Qt's offscreen platform so that a dry run
    // still plays the template.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        TfrmMain::MessageBoxes = false;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvplay"));
    QApplication::setApplicationDisplayName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    // Hiding the mode window must not end the program; only Shutdown does.
    QApplication::setQuitOnLastWindowClosed(false);

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
    parser.process(app);

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
                         [&frmMain] { frmMain.Shutdown1Click(nullptr); });
        if (backend == QLatin1String("print"))
            frmMain.SetModeEcho(stdout);
        frmMain.Arguments = parser.positionalArguments();
        if (!frmMain.FormCreate(&frmMain))
            return frmMain.ExitCode;
        status = app.exec();
    }
    // Destroying the injector releases every key still held.
    keys.reset();
    return status;
}
