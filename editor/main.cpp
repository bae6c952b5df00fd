#include "editor/MessageBox.h"
#include "editor/TfrmMain.h"
#include "platform/FocusService.h"
#include "platform/Joystick.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <memory>

using namespace corv;
using corv::editor::TfrmMain;

int main(int argc, char* argv[])
{
    std::unique_ptr<QCoreApplication> app;
    if (Platform::wantsNoWindow(argc, argv))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvedit"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Edits Corvane templates: identify joystick buttons by pressing them and "
                       "give them keystrokes for each mode."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("template"),
                                 QStringLiteral("A .joy template to open."),
                                 QStringLiteral("[template]"));
    Platform::addOptions(parser, false);
    parser.process(*app);

    int exitCode = 0;
    if (Platform::handleListJoysticks(parser, &exitCode))
        return exitCode;
    const QStringList args = parser.positionalArguments();
    if (args.size() > 1) {
        std::fprintf(stderr, "corvedit: give at most one template\n");
        return 1;
    }

    QApplication::setApplicationDisplayName(QStringLiteral("Corvane"));
    const QString platform = QGuiApplication::platformName();
    corv::editor::SetBoxesUnattended(platform == u"offscreen" || platform == u"minimal");
    std::unique_ptr<Joystick> joystick = Platform::createJoystick(Platform::joystickSpec(parser));
    // Outlives the window, whose Pick a window button follows it.
    std::unique_ptr<FocusService> focus = Platform::createFocusService();
    TfrmMain frmMain(joystick.get());
    frmMain.SetFocusService(focus.get());
    if (!frmMain.FormCreate())
        return frmMain.ExitCode;
    frmMain.show();
    if (!args.isEmpty())
        frmMain.OpenTemplatePath(args.first());
    return QCoreApplication::exec();
}
