// A gamepad template made in the real corvedit through xdotool and the
// virtual joystick: a stick direction, a trigger and a chord identified, the
// stick given Hold and a button Turbo, saved; corvplay then plays the file on
// the script the Test page was tried with, which typed nothing meanwhile.
// Pictures of the pages a gamepad template changes go to the build folder
// (screenshots/gamepad-<page>.png).
#include <QDir>
#include <QStandardPaths>

#include "CorveditProcess.h"
#include "KeyRecorderWindow.h"

using namespace corv::test;

namespace
{

// An input as the virtual joystick moves it, and lets it go.
struct Input {
    QByteArray down;
    QByteArray up;
};
const Input StickRight{"axis 1 32767\n", "axis 1 rest\n"};
// A trigger rests at one end: past its threshold from there.
const Input Trigger{"axis 6 32767\n", "axis 6 rest\n"};
const Input Chord{"press 1\npress 2\n", "release 2\nrelease 1\n"};
const Input X{"press 3\n", "release 3\n"};

// Each input held a while: the stick (Hold D), X (Turbo F every 100 ms), the
// chord (G) and the trigger (H).
const QByteArray Play = "axis 1 32767\nwait 400\naxis 1 rest\nwait 200\n"
                        "press 3\nwait 450\nrelease 3\nwait 200\n"
                        "press 1\npress 2\nwait 300\nrelease 2\nrelease 1\nwait 200\n"
                        "axis 6 32767\nwait 300\naxis 6 rest\nwait 200\n";
// What Play types, as "68+" for "key 68 down" in a dry run, with Turbo's
// strikes counted.
const QString Played = QStringLiteral("^68\\+ 68- (70\\+ 70- ){3,}71\\+ 71- 72\\+ 72-$");

QString typed(const QStringList& lines)
{
    QStringList out;
    for (const QString& line : lines) {
        const QStringList w = line.split(u' ');
        if (w.size() >= 3 && w[0] == u"key")
            out << w[1] + (w[2] == u"down" ? u'+' : u'-');
    }
    return out.join(u' ');
}

} // namespace

class TestCorveditGamepad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void makesAGamepadTemplate();
    void savedTemplatePlays();

private:
    // Moves an input on the page shown and waits for the editor's beep;
    // letting it go leaves the joystick still long enough for the next.
    bool show(const Input& input)
    {
        return editor_.send(input.down) && bells_->waitFor(1) &&
               editor_.send(input.up + "wait 300\n");
    }
    // On the Buttons page: the input's purpose and first keystroke, chosen
    // in the keystroke dialog by the key's name, then the action, Down
    // times from Tap, and more keys from there; Add.
    bool program(const Input& input, const QString& purpose, const QString& key, int action,
                 const QString& more = {})
    {
        QString actionKeys = QStringLiteral("Tab Tab Tab Tab Tab Tab");
        for (int i = 0; i < action; ++i)
            actionKeys += QStringLiteral(" Down");
        return show(input) && type(purpose) && keys(QStringLiteral("Tab Tab space")) &&
               editor_.answer(dpy_, "Keystroke Selection", key, QStringLiteral("Return")) &&
               keys(actionKeys) && (more.isEmpty() || keys(more)) &&
               keys(QStringLiteral("alt+a")) && bells_->waitFor(1);
    }
    // The window once it has settled: the same in two looks a moment apart.
    QImage settled()
    {
        QImage last;
        QImage now = grab(dpy_, editor_.window);
        for (int i = 0; i < 50 && now != last; ++i) {
            QTest::qWait(100);
            last = std::exchange(now, grab(dpy_, editor_.window));
        }
        return now;
    }
    bool shot(const QString& page)
    {
        const QDir shots(qEnvironmentVariable("CORV_BINARY_DIR") + QStringLiteral("/screenshots"));
        return shots.mkpath(QStringLiteral(".")) &&
               settled().save(shots.filePath(QStringLiteral("gamepad-%1.png").arg(page)));
    }

    Display* dpy_ = nullptr;
    std::unique_ptr<Bells> bells_;
    Corvedit editor_;
    QString saved_;
};

void TestCorveditGamepad::initTestCase()
{
    dpy_ = openDisplay();
    if (!dpy_)
        QSKIP("needs an X display");
    bells_ = std::make_unique<Bells>(dpy_);
    QVERIFY2(bells_->ok(), "needs the XKB extension");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(),
             "needs xdotool (scripts/install-deps.sh)");
}

void TestCorveditGamepad::cleanupTestCase()
{
    bells_.reset();
    if (dpy_)
        XCloseDisplay(dpy_);
}

void TestCorveditGamepad::makesAGamepadTemplate()
{
    QVERIFY2(editor_.start(dpy_), editor_.process.readAllStandardError().constData());

    // Type, past its tab: Down from the checked Digital chooses Analog, and
    // the change is refused; Down and Space then choose Gamepad.
    QVERIFY(keys(QStringLiteral("ctrl+Tab Tab Tab Down")));
    QVERIFY(editor_.answer(dpy_, "Warning", {}, QStringLiteral("Escape")));
    QVERIFY(keys(QStringLiteral("Down space")));
    QVERIFY(editor_.answer(dpy_, "Warning", {}, QStringLiteral("Return")));
    QVERIFY(shot(QStringLiteral("type")));

    // Identify: each input is named by what moved, the chord once its window
    // has passed.
    QVERIFY(keys(QStringLiteral("ctrl+Tab")));
    for (const auto& [input, name] : {std::pair{StickRight, "Stick right"},
                                      {Trigger, "Right trigger"},
                                      {Chord, "A and B"},
                                      {X, "X"}}) {
        QVERIFY(show(input));
        QVERIFY(type(QString::fromLatin1(name)) && keys(QStringLiteral("alt+a")));
        QVERIFY(bells_->waitFor(1));
    }
    QVERIFY(shot(QStringLiteral("identify")));

    // Buttons, past Mode.
    QVERIFY(keys(QStringLiteral("ctrl+Tab ctrl+Tab")));
    QVERIFY(program(StickRight, QStringLiteral("Walk"), QStringLiteral("d"), 1));
    QVERIFY(program(X, QStringLiteral("Fire"), QStringLiteral("f"), 3,
                    QStringLiteral("Tab ctrl+a 1 0 0")));
    QVERIFY(program(Chord, QStringLiteral("Grenade"), QStringLiteral("g"), 0));
    QVERIFY(program(Trigger, QStringLiteral("Use"), QStringLiteral("h"), 0));
    QVERIFY(show(X)); // its fields shown in the picture
    QVERIFY(shot(QStringLiteral("buttons")));
    QVERIFY(keys(QStringLiteral("ctrl+Tab")));
    QVERIFY(shot(QStringLiteral("response")));
    QVERIFY(keys(QStringLiteral("ctrl+Tab ctrl+Tab")));
    QVERIFY(shot(QStringLiteral("summary")));

    // Test: the joystick plays the template as it stands into the page's
    // list, while another window has the keyboard and gets nothing.
    QVERIFY(keys(QStringLiteral("ctrl+Tab")));
    const QImage before = settled();
    KeyRecorderWindow recorder;
    QVERIFY(recorder.dpy);
    XMoveWindow(recorder.dpy, recorder.window, 600, 0); // beside the editor
    recorder.focus();
    QVERIFY(editor_.send(Play));
    // Play's own length, and then some; the list has changed meanwhile.
    QTest::qWait(3000);
    QVERIFY(settled() != before);
    QCOMPARE(recorder.read(), QStringList());
    QVERIFY(focus(editor_.window));
    QVERIFY(shot(QStringLiteral("test")));

    // Description, the page after the last; the type change would have
    // asked to save it first.
    QVERIFY(keys(QStringLiteral("ctrl+Tab")) && type(QStringLiteral("Pad")));
    QVERIFY(keys(QStringLiteral("alt+s")));
    const QString path = editor_.dir.filePath(QStringLiteral("pad.joy"));
    QVERIFY(editor_.answer(dpy_, "Save Joystick Template", path, QStringLiteral("Return")));
    QVERIFY(editor_.exit(dpy_));
    const QByteArray text = readFile(path);
    for (const char* line :
         {"DESCRIPTION=Pad", "INPUTS=SEPARATE", "1=AXIS1_POS,Stick right",
          "2=AXIS6_POS,Right trigger", "3=B1+B2,A and B", "4=B3,X", "BUTTON1_ACTION=HOLD",
          "BUTTON4_ACTION=TURBO", "BUTTON4_RATE=100", "BUTTON2_1=72"})
        QVERIFY2(text.contains(QByteArray(line) + "\n"), (line + (" not in\n" + text)).constData());
    saved_ = path;
}

void TestCorveditGamepad::savedTemplatePlays()
{
    if (saved_.isEmpty())
        QSKIP("no template was saved");
    CorvplayProcess player;
    player.platform = QStringLiteral("offscreen");
    player.start(QStringLiteral("print"), saved_);
    QVERIFY(player.send(Play));
    QVERIFY2(QTest::qWaitFor([&] { return typed(player.lines()).endsWith(u"72-"); }, kTimeout),
             qPrintable(typed(player.lines()) + u'\n' + player.errorLines().join(u'\n')));
    const QString keys = typed(player.lines());
    QVERIFY2(QRegularExpression(Played).match(keys).hasMatch(), qPrintable(keys));
}

QTEST_GUILESS_MAIN(TestCorveditGamepad)
#include "tst_corvedit_gamepad.moc"
