#include "PlayerTest.h"
#include "runtime/Messages.h"
#include "runtime/PlayerService.h"
#include "runtime/TfrmMain.h"
#include "runtime/components/TSuperTimer.h"
#include "runtime/components/TSysHotKey.h"

#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace corv;

namespace
{

const QString NotValid = QStringLiteral("This is not a valid joystick template file");
const QString EarlierVersion =
    QStringLiteral("This template file is from an earlier version of The Corvane. "
                   "Unfortunately, this template is not compatible with the current version. "
                   "I do apologise for this, but due to the enhanced capabilities of this newer "
                   "version, it was unavoidable.");

// Two modes: button 1 types "a" in mode 1; button 4 switches modes.
const char* const Valid = "[GLOBAL]\n"
                          "MODE1NAME=Ground\nMODE2NAME=Air\n"
                          "BUTTONS=2\nMODE_SWITCH_BUTTON=4\nMODE_SWITCH_KEY=112\n"
                          "MODES=2\n"
                          "[MAPPING]\nBUTTON1=1\nBUTTON2=4\n"
                          "[MODE1]\nBUTTON1_COUNT=1\nBUTTON1_1=65\n";

} // namespace

class TestStartup : public PlayerTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void checksAndArguments_data();
    void checksAndArguments();
    void dialogChoosesTheTemplate();
    void captureFailureEndsBeforeTheTemplate();
    void captureJoystick_data();
    void captureJoystick();
    void applyResponse_data();
    void applyResponse();
    void emptyMode1NameShowsDefault();
    void modesAndButtonsBoundWhatIsRead();
    void deviceTypeDecidesTheTimer_data();
    void deviceTypeDecidesTheTimer();
    void appearanceFromTheTemplate();
    void badColourIsReportedAndStartupFinishes();
    void shutdownRequestedDuringStartup_data();
    void shutdownRequestedDuringStartup();

private:
    bool start(const QStringList& args);
};

void TestStartup::initTestCase()
{
    QVERIFY(dir.isValid());
    useStore(dir.filePath("settings"));
}

void TestStartup::init()
{
    createPlayer();
}

void TestStartup::cleanup()
{
    destroyPlayer();
}

bool TestStartup::start(const QStringList& args)
{
    frm->Arguments = args;
    return frm->FormCreate(frm.get());
}

void TestStartup::checksAndArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("started");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("dialog");
    QTest::addColumn<QString>("boxTitle");
    QTest::addColumn<QString>("boxText");

    const QString valid = writeFile("valid.joy", Valid);
    const QString noSwitch =
        writeFile("noswitch.joy", "[GLOBAL]\nMODE1NAME=Ground\nMODES=0\n[MAPPING]\n");
    const QString errorSwitch =
        writeFile("errorswitch.joy", "[GLOBAL]\nMODE_SWITCH_BUTTON=ERROR\nMODE1NAME=Ground\n");
    const QString earlier = writeFile("earlier.joy", "[GLOBAL]\nMODE_SWITCH_BUTTON=4\nMODES=1\n");
    const QString missing = dir.filePath("missing.joy");

    QTest::newRow("one argument") << QStringList{valid} << true << 0 << false << ""
                                  << "";
    QTest::newRow("no argument asks") << QStringList{} << false << 0 << true << ""
                                      << "";
    QTest::newRow("two arguments ask") << QStringList{valid, valid} << false << 0 << true << ""
                                       << "";
    QTest::newRow("missing file") << QStringList{missing} << false << 1 << false << "Error"
                                  << NotValid;
    QTest::newRow("MODE1NAME but no switch button")
        << QStringList{noSwitch} << false << 1 << false << "Error" << NotValid;
    QTest::newRow("switch button ERROR")
        << QStringList{errorSwitch} << false << 1 << false << "Error" << NotValid;
    QTest::newRow("earlier version")
        << QStringList{earlier} << false << 1 << false << "Information" << EarlierVersion;
}

void TestStartup::checksAndArguments()
{
    QFETCH(QStringList, args);
    QFETCH(bool, started);
    QFETCH(int, exitCode);
    QFETCH(bool, dialog);
    QFETCH(QString, boxTitle);
    QFETCH(QString, boxText);

    QCOMPARE(start(args), started);
    QCOMPARE(frm->isVisible(), started);
    QCOMPARE(frm->Engine().DispatchEnabled(), started);
    QCOMPARE(frm->SuperTimer1->Enabled(), started);
    if (!started) {
        QCOMPARE(frm->ExitCode, exitCode);
        // Nothing may be typed or grabbed by a program that does not start.
        QVERIFY(hotKeys->grabs.isEmpty());
        QVERIFY(keys->events.empty());
    }

    QList<ModalCloser::Seen> boxes;
    bool dialogSeen = false;
    for (const auto& s : closer->seen) {
        if (s.fileDialog) {
            dialogSeen = true;
            QCOMPARE(s.title, QStringLiteral("Open Joystick File"));
            QCOMPARE(s.text, QStringLiteral("Joystick File (*.joy)|Any File (*.*)"));
        } else {
            boxes << s;
        }
    }
    QCOMPARE(dialogSeen, dialog);
    QCOMPARE(boxes.size(), boxText.isEmpty() ? 0 : 1);
    if (!boxText.isEmpty()) {
        QCOMPARE(boxes[0].title, boxTitle);
        QCOMPARE(boxes[0].text, boxText);
        QCOMPARE(boxes[0].icon,
                 boxTitle == "Error" ? QMessageBox::Critical : QMessageBox::Information);
    }
}

void TestStartup::dialogChoosesTheTemplate()
{
    closer->fileToChoose = writeFile("chosen.joy", Valid);
    QVERIFY(start({}));
    QCOMPARE(frm->TemplateFileName, closer->fileToChoose);
    QCOMPARE(frm->lblModeString->text(), QStringLiteral("Ground"));
}

void TestStartup::captureFailureEndsBeforeTheTemplate()
{
    joystick->captureResult = Joystick::Unplugged;
    QVERIFY(!start({}));
    QCOMPARE(frm->ExitCode, 1);
    QCOMPARE(closer->seen.size(), 1);
    QVERIFY(!closer->seen[0].fileDialog);
    QCOMPARE(closer->seen[0].text, QStringLiteral("Cannot detect a connected joystick"));
    QVERIFY(frm->TemplateFileName.isEmpty());
}

void TestStartup::captureJoystick_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // empty: no box
    QTest::newRow("captured") << 0 << "";
    QTest::newRow("no driver") << 6 << "Cannot detect a joystick driver";
    QTest::newRow("bad device") << 165 << "Cannot detect a joystick driver";
    QTest::newRow("cannot capture") << 166 << "Cannot capture joystick input";
    QTest::newRow("unplugged") << 167 << "Cannot detect a connected joystick";
    QTest::newRow("other") << 42 << "Undetermined joystick error";
}

void TestStartup::captureJoystick()
{
    QFETCH(int, code);
    QFETCH(QString, message);
    joystick->captureResult = code;
    QCOMPARE(frm->CaptureJoystick(), code);
    QCOMPARE(closer->seen.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(closer->seen[0].text, message);
        QCOMPARE(closer->seen[0].title, QString("Error"));
        QCOMPARE(closer->seen[0].icon, QMessageBox::Critical);
    }
    QCOMPARE(joystick->captureCalls, 1);
    QCOMPARE(joystick->pollCalls, 1);
}

void TestStartup::applyResponse_data()
{
    QTest::addColumn<int>("response");
    QTest::addColumn<TSuperTimer::TThreadPriority>("priority");
    QTest::newRow("0 idle") << 0 << TSuperTimer::tpIdle;
    QTest::newRow("1 lowest") << 1 << TSuperTimer::tpLowest;
    QTest::newRow("4 higher") << 4 << TSuperTimer::tpHigher;
    QTest::newRow("6 time-critical") << 6 << TSuperTimer::tpTimeCritical;
    QTest::newRow("9 unchanged") << 9 << TSuperTimer::tpNormal;
    QTest::newRow("-1 unchanged") << -1 << TSuperTimer::tpNormal;
}

void TestStartup::applyResponse()
{
    QFETCH(int, response);
    QFETCH(TSuperTimer::TThreadPriority, priority);
    frm->ApplyResponse(response);
    QCOMPARE(frm->SuperTimer1->ThreadPriority(), priority);
    QCOMPARE(frm->SuperTimer1->Interval(), quint16(80));
}

void TestStartup::emptyMode1NameShowsDefault()
{
    QVERIFY(start({writeFile("empty.joy", "[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=\nMODE2NAME="
                                          "\nMODES=2\n")}));
    QCOMPARE(frm->lblModeString->text(), QStringLiteral("Mode 1"));
    const RuntimeTemplate& t = frm->Engine().Tables();
    QCOMPARE(t.ModeNames[1], QStringLiteral("Mode 2"));
    QCOMPARE(t.ModeSwitchButton, RuntimeTemplate::NoSwitchButton);
    QCOMPARE(t.ModeSwitchKey, RuntimeTemplate::NoSwitchKey);
    QVERIFY(hotKeys->grabs.isEmpty());
}

// MODES=2 and BUTTONS=3: keys of mode 3 and of button number 4 are never read.
void TestStartup::modesAndButtonsBoundWhatIsRead()
{
    QVERIFY(start({writeFile("bounds.joy", "[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=A\n"
                                           "MODES=2\nBUTTONS=3\n"
                                           "[MAPPING]\nBUTTON1=1\nBUTTON2=2\nBUTTON3=4\nBUTTON4=8\n"
                                           "[MODE1]\nBUTTON3_COUNT=1\nBUTTON3_1=0x41\n"
                                           "BUTTON4_COUNT=1\nBUTTON4_1=66\n"
                                           "[MODE2]\nBUTTON1_COUNT=2\nBUTTON1_2=67\n"
                                           "[MODE3]\nBUTTON1_COUNT=1\nBUTTON1_1=68\n")}));
    const RuntimeTemplate& t = frm->Engine().Tables();
    QCOMPARE(t.ModeCount, 2);
    QCOMPARE(t.ButtonCount, 3);
    QCOMPARE(t.ButtonIds[2], 4);
    QCOMPARE(t.ButtonIds[3], 0);
    QCOMPARE(t.Mappings[0][2].Count, 1);
    QCOMPARE(int(t.Mappings[0][2].Keys[0].VirtualKey), 65);
    QCOMPARE(t.Mappings[0][3].Count, 0);
    QCOMPARE(t.Mappings[1][0].Count, 2);
    QCOMPARE(int(t.Mappings[1][0].Keys[0].VirtualKey), 0);
    QCOMPARE(int(t.Mappings[1][0].Keys[1].VirtualKey), 67);
    QCOMPARE(t.Mappings[2][0].Count, 0);
}

void TestStartup::deviceTypeDecidesTheTimer_data()
{
    QTest::addColumn<QByteArray>("digitalLine");
    QTest::addColumn<bool>("timer");
    QTest::newRow("DIGITAL absent") << QByteArray() << true;
    QTest::newRow("digital") << QByteArray("DIGITAL=1\n") << true;
    QTest::newRow("analog") << QByteArray("DIGITAL=0\n") << false;
}

void TestStartup::deviceTypeDecidesTheTimer()
{
    QFETCH(QByteArray, digitalLine);
    QFETCH(bool, timer);
    QVERIFY(start(
        {writeFile("device.joy", "[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=A\n" + digitalLine)}));
    QCOMPARE(frm->Engine().DigitalDevice(), timer);
    QCOMPARE(frm->SuperTimer1->Enabled(), timer);
    QCOMPARE(joystick->messagesWanted, !timer);
    QCOMPARE(frm->SuperTimer1->Interval(), 80);
    QVERIFY(frm->Engine().DispatchEnabled());
}

void TestStartup::appearanceFromTheTemplate()
{
    QVERIFY(start({writeFile("look.joy", "[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=Look\n"
                                         "FONTNAME=DejaVu Serif\nFONTSIZE=0x0C\nFONTBOLD=1\n"
                                         "FONTITALIC=2\nBACKCOLOURS=clnavy\n"
                                         "FORECOLOURS=$0000FFFF\nRESPONSE=5\n")}));
    const QFont font = frm->lblModeString->font();
    QCOMPARE(font.family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(font.pointSize(), 12);
    QVERIFY(font.bold());
    QVERIFY(font.italic());
    const QPalette pal = frm->lblModeString->palette();
    QCOMPARE(pal.color(QPalette::Window), QColor(0, 0, 128));
    QCOMPARE(pal.color(QPalette::WindowText), QColor(255, 255, 0));
    QCOMPARE(frm->SuperTimer1->ThreadPriority(), TSuperTimer::tpHighest);
    QCOMPARE(frm->lblModeString->geometry(), frm->rect().adjusted(1, 1, -1, -1));
    QVERIFY(frm->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(frm->windowFlags() & Qt::WindowDoesNotAcceptFocus);
}

// A colour text the window cannot draw is reported with its key and text;
// the window keeps its own colour and the rest of start-up still runs.
void TestStartup::badColourIsReportedAndStartupFinishes()
{
    QVERIFY(start({writeFile("badcolour.joy", "[GLOBAL]\nMODE_SWITCH_BUTTON=4\nMODE1NAME=A\n"
                                              "MODE_SWITCH_KEY=112\nBACKCOLOURS=clPlaid\n"
                                              "FORECOLOURS=clRed\n")}));
    QCOMPARE(closer->seen.size(), 1);
    QCOMPARE(closer->seen[0].title, QStringLiteral("Error"));
    QVERIFY2(closer->seen[0].text.contains("BACKCOLOURS") &&
                 closer->seen[0].text.contains("clPlaid"),
             qPrintable(closer->seen[0].text));
    const QPalette pal = frm->lblModeString->palette();
    QCOMPARE(pal.color(QPalette::Window), frm->palette().color(QPalette::Button));
    QCOMPARE(pal.color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(frm->isVisible());
    QVERIFY(frm->Engine().DispatchEnabled());
    QVERIFY(frm->SuperTimer1->Enabled());
    QCOMPARE(hotKeys->grabs.size(), 1);
    QCOMPARE(hotKeys->grabs.first().vk, 112);
}

void TestStartup::shutdownRequestedDuringStartup_data()
{
    QTest::addColumn<QStringList>("args");
    // "signal", the tray menu item chosen, or the D-Bus method called
    QTest::addColumn<QString>("command");
    const QStringList badColour{writeFile(
        "stopcolour.joy",
        "[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=A\nMODE_SWITCH_KEY=112\nBACKCOLOURS=clPlaid\n")};
    QTest::newRow("signal, open dialog") << QStringList{} << "signal";
    QTest::newRow("signal, colour error box") << badColour << "signal";
    QTest::newRow("signal, first of two colour boxes")
        << QStringList{writeFile("twocolours.joy", "[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=A\n"
                                                   "BACKCOLOURS=clPlaid\nFORECOLOURS=clTartan\n")}
        << "signal";
    QTest::newRow("Shutdown, open dialog") << QStringList{} << "Shutdown";
    QTest::newRow("Shutdown, colour error box") << badColour << "Shutdown";
    QTest::newRow("Disable, colour error box") << badColour << "Disable";
    QTest::newRow("D-Bus Quit, colour error box") << badColour << "D-Bus Quit";
    QTest::newRow("D-Bus Disable, colour error box") << badColour << "D-Bus Disable";
}

// SIGINT, SIGTERM or Shutdown while a box or the dialog waits for the user:
// it goes away, start-up ends at once, and the stored position is left
// alone. Disable there leaves the player disabled once start-up has ended.
// The D-Bus methods do what the menu's items do.
void TestStartup::shutdownRequestedDuringStartup()
{
    QFETCH(QStringList, args);
    QFETCH(QString, command);
    auto* service = new PlayerService(frm.get(), frm.get());
    const bool disabled = command.endsWith(u"Disable");
    closer.reset();
    const int width = QGuiApplication::primaryScreen()->geometry().width();
    QVERIFY(TfrmMain::WritePosition(width, {12, 34}));
    int modals = 0;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!modal)
            return;
        const int polls = modal->property("polls").toInt();
        modal->setProperty("polls", polls + 1);
        if (polls == 100) // still open a second after the command: the command failed
            modal->reject();
        if (polls != 0)
            return;
        if (++modals > 1 || disabled)
            modal->reject();
        else if (command == u"signal")
            frm->RequestShutdown();
        else if (command == u"D-Bus Quit")
            service->Quit();
        else
            frm->Shutdown1->trigger();
        if (command == u"Disable")
            frm->Disable1->trigger();
        else if (command == u"D-Bus Disable")
            service->Disable();
    });
    poll.start(10);
    QCOMPARE(start(args), disabled);
    QCOMPARE(modals, 1);
    QCOMPARE(frm->Started, disabled);
    if (!disabled)
        QCOMPARE(frm->ExitCode, 0);
    // Disabled without a tray, the greyed window stays as the way back.
    QCOMPARE(frm->isVisible(), disabled && !Messages::NotificationArea());
    QVERIFY(!frm->SuperTimer1->Enabled());
    QVERIFY(!frm->Engine().DispatchEnabled());
    QVERIFY(!frm->SysHotKey1->Active());
    QCOMPARE(TfrmMain::ReadPosition(width), QPoint(12, 34));
    if (disabled) {
        QVERIFY(frm->Disable1->isChecked());
        frm->Enable1->trigger();
        QVERIFY(frm->isVisible());
        QVERIFY(frm->Engine().DispatchEnabled());
        QVERIFY(frm->SuperTimer1->Enabled());
    }
}

QTEST_MAIN(TestStartup)
#include "tst_Startup.moc"
