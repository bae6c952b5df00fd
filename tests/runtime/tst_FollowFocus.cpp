#include "PlayerTest.h"
#include "platform/fake/FakeFocusService.h"
#include "runtime/components/TSuperTimer.h"
#include "runtime/components/TSysHotKey.h"
#include "runtime/components/TWinTaskbar.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <map>

using namespace corv;

namespace
{

// A gamepad template holding A on B1, with F2 as its mode-switch key.
const QByteArray Term = "[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE_SWITCH_KEY=113\nMODE1NAME=Term\n"
                        "MODES=1\nBUTTONS=1\nDIGITAL=1\nINPUTS=SEPARATE\nAPPS=xterm\n"
                        "BACKCOLOURS=clRed\n[MAPPING]\nBUTTON1=B1\n[MODE1]\nBUTTON1_COUNT=1\n"
                        "BUTTON1_1=65\nBUTTON1_ACTION=HOLD\n";
// A polled digital template for a title, without a mode-switch key.
const QByteArray Game = "[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=Game\nMODES=1\nBUTTONS=1\n"
                        "DIGITAL=1\nAPPS=title:game\n[MAPPING]\nBUTTON1=1\n[MODE1]\n"
                        "BUTTON1_COUNT=1\nBUTTON1_1=66\n";
const QByteArray Desk = "[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=Desk\nMODES=1\n";

FocusedWindow window(const QString& spec) // instance/class/title
{
    const QStringList w = spec.split(u'/');
    return {w.value(0), w.value(1), w.value(2)};
}

} // namespace

class TestFollowFocus : public PlayerTest
{
    Q_OBJECT

private slots:
    void initTestCase() { useStore(dir.filePath("settings")); }
    void init();
    void cleanup();
    void switchesWithTheFocus_data();
    void switchesWithTheFocus();
    void nothingStaysDownAcrossSwitches();

private:
    bool start(bool withDefault);
    QString folder() const { return dir.filePath("templates"); }
    FakeFocusService focus_;
};

void TestFollowFocus::init()
{
    QDir(folder()).removeRecursively();
    QVERIFY(QDir().mkpath(folder()));
    createPlayer();
    frm->AutoFolder = folder();
    frm->SetFocusService(&focus_);
    focus_.isAvailable = true;
    focus_.focus({});
}

void TestFollowFocus::cleanup()
{
    destroyPlayer();
}

bool TestFollowFocus::start(bool withDefault)
{
    writeFile("templates/term.joy", Term);
    writeFile("templates/game.joy", Game);
    if (withDefault)
        writeFile("templates/default.joy", Desk);
    return frm->FormCreate(frm.get());
}

void TestFollowFocus::switchesWithTheFocus_data()
{
    QTest::addColumn<bool>("withDefault");
    QTest::addColumn<QStringList>("windows"); // focused in turn
    QTest::addColumn<QString>("label");       // what the mode window shows then
    QTest::addColumn<bool>("playing");
    QTest::addColumn<int>("hotKey"); // the vk grabbed, 0 for none
    QTest::addColumn<bool>("timer");
    QTest::addColumn<QString>("hint");

    QTest::newRow("by class") << true << QStringList{"xterm/XTerm/bash"} << "Term" << true << 113
                              << false << "Corvane: term.joy for XTerm";
    QTest::newRow("by title, the hot key given back")
        << true << QStringList{"xterm/XTerm/bash", "x/Emu/My Game"} << "Game" << true << 0 << true
        << "Corvane: game.joy for Emu";
    QTest::newRow("no match: the default")
        << true << QStringList{"xterm/XTerm/bash", "gimp/Gimp/x"} << "Desk" << true << 0 << true
        << "Corvane: default.joy for Gimp";
    QTest::newRow("no match, no default: idle")
        << false << QStringList{"xterm/XTerm/bash", "gimp/Gimp/x"} << "No template" << false << 0
        << false << "Corvane: no template for Gimp";
    QTest::newRow("no window, no default: idle")
        << false << QStringList{"//"} << "No template" << false << 0 << false
        << "Corvane: no template for the desktop";
    QTest::newRow("back from idle")
        << false << QStringList{"gimp/Gimp/x", "xterm/XTerm/bash"} << "Term" << true << 113 << false
        << "Corvane: term.joy for XTerm";
}

// Each switch shows the new template's window and gives its input, timer
// and hot key as that template wants them, as start-up would.
void TestFollowFocus::switchesWithTheFocus()
{
    QFETCH(bool, withDefault);
    QFETCH(QStringList, windows);
    QFETCH(QString, label);
    QFETCH(bool, playing);
    QFETCH(int, hotKey);
    QFETCH(bool, timer);
    QFETCH(QString, hint);

    focus_.focus(window(windows.first()));
    QVERIFY(start(withDefault));
    QSignalSpy switched(frm.get(), &TfrmMain::TemplateSwitched);
    for (const QString& w : windows.mid(1))
        focus_.focus(window(w));
    QCOMPARE(switched.count(), windows.size() - 1);

    QCOMPARE(frm->lblModeString->text(), label);
    QCOMPARE(frm->lblModeString->isEnabled(), playing);
    QCOMPARE(frm->Idle(), !playing);
    QCOMPARE(frm->Engine().DispatchEnabled(), playing);
    QCOMPARE(frm->Engine().CurrentMode(), 1);
    QCOMPARE(hotKeys->grabs.isEmpty() ? 0 : hotKeys->grabs.first().vk, hotKey);
    QCOMPARE(frm->SuperTimer1->Enabled(), timer);
    QCOMPARE(joystick->eventsWanted, label == u"Term");
    QCOMPARE(frm->WinTaskbar1->Hint(), hint);
    // The template's colours, not the last one's.
    QCOMPARE(frm->lblModeString->palette().color(QPalette::Window) == QColor(Qt::red),
             label == u"Term");
    QCOMPARE(frm->TemplatePath().isEmpty(), !playing);
}

// Alt-tab with a held key: it comes up at the switch, and however often the
// focus goes back and forth nothing is left down.
void TestFollowFocus::nothingStaysDownAcrossSwitches()
{
    focus_.focus(window("xterm/XTerm/bash"));
    QVERIFY(start(true));
    joystick->button(1, true);
    QCOMPARE(keys->events, (std::vector<std::pair<int, bool>>{{65, true}}));
    focus_.focus(window("gimp/Gimp/x"));
    QCOMPARE(keys->events.back(), std::make_pair(65, false));
    for (int i = 0; i < 5; ++i) {
        focus_.focus(window("xterm/XTerm/bash"));
        joystick->button(1, i % 2 == 0);
        focus_.focus(window("gimp/Gimp/x"));
    }
    std::map<int, int> down;
    for (const auto& [vk, isDown] : keys->events)
        down[vk] += isDown ? 1 : -1;
    for (const auto& [vk, count] : down)
        QVERIFY2(count == 0, qPrintable(QStringLiteral("key %1 left down").arg(vk)));
}

QTEST_MAIN(TestFollowFocus)
#include "tst_FollowFocus.moc"
