#include "platform/FocusService.h"
#include "platform/HotKeyService.h"
#include "platform/Joystick.h"
#include "platform/KeyInjector.h"
#include "platform/KeyboardLayout.h"
#include "platform/Platform.h"
#include "platform/SignalBridge.h"
#include "runtime/ButtonWatch.h"
#include "runtime/GuiPlatform.h"
#include "runtime/KeyList.h"
#include "runtime/Messages.h"
#include "runtime/PlayerClient.h"
#include "runtime/PlayerService.h"
#include "runtime/TemplateChooser.h"
#include "runtime/TemplateReport.h"
#include "runtime/TfrmMain.h"
#include "template/ProfileFile.h"
#include "template/TemplateFile.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace corv;

namespace
{

// The player's own options that need neither a display nor a window.
bool wantsNoWindow(int argc, char* argv[])
{
    QByteArrayList options{"--check", "--list-keys", "--watch"};
    for (const QString& option : PlayerClient::ClientOptions())
        options << "--" + option.toLatin1();
    return Platform::wantsNoWindow(argc, argv, options);
}

QtMessageHandler qtHandler = nullptr;

// Qt's own warnings (no XDG_RUNTIME_DIR, what a platform plugin cannot do)
// tell a player's user nothing he can act on; ours name their source file,
// the libraries' do not. Errors always pass.
void leaveOutQtNoise(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (context.file == nullptr &&
        (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg))
        return;
    if (qtHandler)
        qtHandler(type, context, message);
}

bool verbose(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--verbose") == 0)
            return true;
    }
    return qEnvironmentVariableIsSet("QT_LOGGING_RULES");
}

} // namespace

int main(int argc, char* argv[])
{
    // Everything the program and the libraries it uses print says whose it is.
    qSetMessagePattern(QStringLiteral("corvplay: %{if-category}%{category}: %{endif}%{message}"));
    if (!verbose(argc, argv))
        qtHandler = qInstallMessageHandler(leaveOutQtNoise);
    const bool noWindow = wantsNoWindow(argc, argv);
    if (!noWindow && !GuiPlatform::Choose())
        return EXIT_FAILURE;

    std::unique_ptr<QCoreApplication> app;
    if (noWindow) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        app = std::make_unique<QApplication>(argc, argv);
        GuiPlatform::Settle();
    }
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
                                                "an open dialog asks for it. With --auto, the "
                                                "folder to choose from."));
    Platform::addOptions(parser, true);
    const QCommandLineOption checkOption(
        QStringLiteral("check"),
        QStringLiteral(
            "Check and load the template, print what would be played and exit: 0 "
            "valid, 1 not a template, 2 earlier version, 3 other load error, 4 cannot be read."));
    parser.addOption(checkOption);
    const QCommandLineOption strictOption(
        QStringLiteral("strict"), QStringLiteral("With --check: any warning gives status 3."));
    parser.addOption(strictOption);
    const QCommandLineOption watchOption(
        QStringLiteral("watch"),
        QStringLiteral("Print the number a template uses for each new press on the joystick, "
                       "until Ctrl+C. Needs no template."));
    parser.addOption(watchOption);
    const QCommandLineOption listKeysOption(
        QStringLiteral("list-keys"),
        QStringLiteral("Print the key codes a template can use, and those a mode-switch key can "
                       "use, then exit."));
    parser.addOption(listKeysOption);
    parser.addOption({QStringLiteral("verbose"),
                      QStringLiteral("Also print the Qt libraries' own warnings, left out unless "
                                     "this or QT_LOGGING_RULES is given.")});
    const QCommandLineOption autoOption(
        QStringLiteral("auto"),
        QStringLiteral("Play the template of the folder named (else %1) whose APPS= matches the "
                       "focused window, %2 when none does, and switch as the focus moves.")
            .arg(QStringLiteral("~/.local/share/corvane/templates"), TemplateChooser::DefaultName));
    parser.addOption(autoOption);
    PlayerClient::AddOptions(parser);
    parser.process(*app);

    int exitCode = 0;
    if (Platform::handleListJoysticks(parser, &exitCode))
        return exitCode;

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (parser.isSet(listKeysOption)) {
        KeyList::Print(out, Platform::openKeyboardLayout(Platform::keysBackend(parser),
                                                         Platform::keyboardLayoutSpec(parser))
                                .get());
        return EXIT_SUCCESS;
    }
    if (parser.isSet(checkOption)) {
        const QStringList args = parser.positionalArguments();
        if (args.size() != 1) {
            err << "corvplay: --check needs exactly one template\n\n" << parser.helpText();
            return TemplateReport::LoadError;
        }
        const std::unique_ptr<KeyboardLayout> layout = Platform::openKeyboardLayout(
            Platform::keysBackend(parser), Platform::keyboardLayoutSpec(parser));
        return TemplateReport::Run(args.first(), out, err, parser.isSet(strictOption),
                                   layout.get());
    }
    if (parser.isSet(watchOption)) {
        std::unique_ptr<Joystick> joystick =
            Platform::createJoystick(Platform::joystickSpec(parser));
        ButtonWatch watch(joystick.get(), out);
        if (!watch.Start())
            return EXIT_FAILURE;
        SignalBridge bridge; // Ctrl+C ends the watch
        return QCoreApplication::exec();
    }

    if (PlayerClient::IsClient(parser))
        return PlayerClient::Run(parser, out, err);
    const bool following = parser.isSet(autoOption);
    if (following && parser.positionalArguments().size() > 1) {
        err << "corvplay: --auto takes one folder of templates at most\n\n" << parser.helpText();
        return EXIT_FAILURE;
    }
    // A template named that cannot be read (a typo, most often) is told
    // first, not after a missing joystick or key backend has been fixed.
    if (const QStringList args = parser.positionalArguments(); args.size() == 1 && !following) {
        ProfileFile file;
        if (file.load(args.first()) != ProfileFile::LoadStatus::Loaded) {
            Messages::ShowMessage(QMessageBox::Critical, QStringLiteral("Error"),
                                  TemplateCheckMessage(TemplateCheck::NotATemplate),
                                  TemplateCheckCause(args.first()));
            return EXIT_FAILURE;
        }
    }
    // The joystick driver starts while the bus and the window are set up;
    // the capture, first step of start-up, waits for it.
    std::unique_ptr<Joystick> joystick = Platform::createJoystick(Platform::joystickSpec(parser));
    joystick->prepare();
    // Before anything can type: one player per session.
    if (const int status = PlayerClient::ClaimPlayer(parser, err))
        return status;

    QApplication::setApplicationDisplayName(QStringLiteral("Corvane"));
    // Hiding the mode window must not end the program; only closing it does.
    QApplication::setQuitOnLastWindowClosed(false);

    QString error;
    const QString backend = Platform::keysBackend(parser);
    std::unique_ptr<KeyInjector> keys =
        Platform::createKeyInjector(backend, Platform::keyboardLayoutSpec(parser), &error);
    if (!keys) {
        Messages::ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), error);
        return EXIT_FAILURE;
    }
    std::unique_ptr<HotKeyService> hotKeys = Platform::createHotKeyService();
    std::unique_ptr<FocusService> focus;
    if (following)
        focus = Platform::createFocusService();

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
        if (following) {
            frmMain.AutoFolder = frmMain.Arguments.isEmpty() ? TemplateChooser::DefaultFolder()
                                                             : frmMain.Arguments.first();
            frmMain.SetFocusService(focus.get());
        }
        if (PlayerService* service = PlayerService::Publish(&frmMain, &frmMain))
            QObject::connect(&frmMain, &TfrmMain::TemplateSwitched, service,
                             &PlayerService::AnnounceTemplate);
        if (!frmMain.FormCreate(&frmMain))
            return frmMain.ExitCode;
        QCoreApplication::exec();
        status = frmMain.ExitCode;
    }
    // Destroying the injector releases every key still held.
    keys.reset();
    return status;
}
