// corvedit used from the keyboard alone: the real program on the test X
// server with a scripted virtual joystick, typed to through xdotool. The
// templates it saves, a classic one and a gamepad one, are then played by
// corvplay, and a picture of each of its pages goes to the build folder
// (screenshots/<page>.png, and gamepad-<page>.png for those a gamepad
// template changes).
#include <QDir>
#include <QImage>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

#include "CorvplayProcess.h"
#include "KeyRecorderWindow.h"
#include "RunProgram.h"
#include "TestFiles.h"
#include "XWindows.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>

namespace
{

// The bells rung on the display. The editor beeps for each press it shows
// and each button operation that succeeds, which tells the test that the
// program has caught up with what it was sent.
class Bells
{
public:
    explicit Bells(Display* dpy) : dpy_(dpy)
    {
        int opcode = 0;
        int error = 0;
        int major = XkbMajorVersion;
        int minor = XkbMinorVersion;
        ok_ = XkbQueryExtension(dpy, &opcode, &eventBase_, &error, &major, &minor) &&
              XkbSelectEvents(dpy, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
        XSync(dpy, False);
    }
    bool ok() const { return ok_; }

    // Waits until n more bells than the last wait expected have rung.
    bool waitFor(int n)
    {
        expected_ += n;
        return QTest::qWaitFor([&] { return count() >= expected_; }, kTimeout);
    }

private:
    int count()
    {
        while (XPending(dpy_)) {
            XEvent ev{};
            XNextEvent(dpy_, &ev);
            if (ev.type == eventBase_ &&
                reinterpret_cast<XkbEvent*>(&ev)->any.xkb_type == XkbBellNotify)
                ++count_;
        }
        return count_;
    }

    Display* dpy_;
    bool ok_ = false;
    int eventBase_ = 0;
    int count_ = 0;
    int expected_ = 0;
};

bool xdotool(const QStringList& args)
{
    return corv::test::runProgram(QStringLiteral("xdotool"), args).exitCode == 0;
}

// Keys as xdotool names them, such as "alt+a Return".
bool keys(const QString& names)
{
    return xdotool(
        QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30")} +
        names.split(u' '));
}

bool type(const QString& text)
{
    return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
}

bool focus(Window w)
{
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(w)});
}

// The title as stored, also where it is not Latin-1 (compound text keeps
// its ASCII parts as they are), which XFetchName does not give.
QByteArray rawTitle(Display* dpy, Window w)
{
    XTextProperty text{};
    QByteArray result;
    if (XGetWMName(dpy, w, &text) && text.value) {
        result = QByteArray(reinterpret_cast<const char*>(text.value), int(text.nitems));
        XFree(text.value);
    }
    return result;
}

QImage grab(Display* dpy, Window w)
{
    XWindowAttributes a{};
    if (!XGetWindowAttributes(dpy, w, &a))
        return {};
    XImage* shot =
        XGetImage(dpy, w, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
    if (!shot)
        return {};
    QImage image(a.width, a.height, QImage::Format_RGB32);
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x)
            image.setPixel(x, y, 0xff000000u | QRgb(XGetPixel(shot, x, y)));
    }
    XDestroyImage(shot);
    return image;
}

// The editor's window, its pipe and private folders as a corvplay run has them.
class Corvedit : public CorvplayProcess
{
public:
    bool start(Display* dpy, const QStringList& more = {})
    {
        process.setProcessEnvironment(environment());
        process.start(
            QStringLiteral(CORVEDIT_PATH),
            QStringList{QStringLiteral("--joystick"), QStringLiteral("virtual:") + fifoPath} +
                more);
        return QTest::qWaitFor([&] { return (window = mainWindow(dpy)) != 0; }, kTimeout) &&
               focus(window);
    }
    // The main window: "Corvane", or a template's name before it ("flight.joy — Corvane").
    Window mainWindow(Display* dpy) const
    {
        for (Window w : windowsOfPid(dpy, DefaultRootWindow(dpy), process.processId())) {
            const QByteArray name = rawTitle(dpy, w);
            if ((name == "Corvane" || name.endsWith(" Corvane")) && viewable(dpy, w))
                return w;
        }
        return 0;
    }
    Window findWindow(Display* dpy, const QByteArray& title) const
    {
        return ::findWindow(dpy, process.processId(), title);
    }
    // Waits for a box or dialog, types text into it and then the keys, and
    // waits for it to go. The test server has no window manager, which would
    // give the focus back to the main window: so does the test.
    bool answer(Display* dpy, const QByteArray& title, const QString& text,
                const QString& answerKeys, bool back = true)
    {
        Window box = 0;
        return QTest::qWaitFor([&] { return (box = findWindow(dpy, title)) != 0; }, kTimeout) &&
               focus(box) && (text.isEmpty() || type(text)) && keys(answerKeys) &&
               QTest::qWaitFor([&] { return !viewable(dpy, box); }, kTimeout) &&
               (!back || focus(window));
    }
    // Answers the exit question; the program then ends with status 0.
    bool exit(Display* dpy)
    {
        return keys(QStringLiteral("alt+x")) &&
               answer(dpy, "Confirm", {}, QStringLiteral("Return"), false) &&
               process.waitForFinished(kTimeout) && process.exitCode() == 0;
    }

    Window window = 0;
};

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

} // namespace

class TestCorveditKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void programsAndSavesFromTheKeyboard();
    void savedTemplatePlays();
    void screenshotOfEachPage();
    void looksAtAFilledSlotAndChangesNothing();
    void makesAndPlaysAGamepadTemplate();

private:
    // Moves an input on the page shown, waiting for the editor's beep;
    // letting it go leaves the joystick still long enough for the next.
    bool show(Corvedit& editor, const Input& input)
    {
        return editor.send(input.down) && bells_->waitFor(1) &&
               editor.send(input.up + "wait 300\n");
    }
    bool press(Corvedit& editor, int button)
    {
        return show(editor, {QStringLiteral("press %1\n").arg(button).toLatin1(),
                             QStringLiteral("release %1\n").arg(button).toLatin1()});
    }
    // On the Buttons page: the input's purpose and first keystroke, chosen
    // in the keystroke dialog by the key's name, then the keys typed in the
    // Action field (Down for the next action); Add.
    bool program(Corvedit& editor, const Input& input, const QString& purpose, const QString& key,
                 const QString& action = {});
    // The window once it has settled: the same in two looks a moment apart.
    QImage settled(Window w);
    bool shot(Window w, const QString& name);

    Display* dpy_ = nullptr;
    std::unique_ptr<Bells> bells_;
    QTemporaryDir dir_;
    QString saved_;
};

void TestCorveditKeyboard::initTestCase()
{
    dpy_ = openDisplay();
    if (!dpy_)
        QSKIP("needs an X display");
    bells_ = std::make_unique<Bells>(dpy_);
    QVERIFY2(bells_->ok(), "needs the XKB extension");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(),
             "needs xdotool (scripts/install-deps.sh)");
    QVERIFY(QFile::exists(QStringLiteral(CORVEDIT_PATH)));
}

void TestCorveditKeyboard::cleanupTestCase()
{
    bells_.reset();
    if (dpy_)
        XCloseDisplay(dpy_);
}

void TestCorveditKeyboard::programsAndSavesFromTheKeyboard()
{
    Corvedit editor;
    QVERIFY2(editor.start(dpy_), editor.process.readAllStandardError().constData());

    // It starts on the Description page, whose field has the keyboard.
    QVERIFY(type(QStringLiteral("Flight")));

    // Identify, two pages on: each press is named and added, by Alt+A and by Enter.
    QVERIFY(keys(QStringLiteral("ctrl+Tab ctrl+Tab")));
    QVERIFY(press(editor, 1));
    QVERIFY(type(QStringLiteral("Trigger")) && keys(QStringLiteral("alt+a")));
    QVERIFY(bells_->waitFor(1));
    QVERIFY(press(editor, 2));
    QVERIFY(type(QStringLiteral("Top")) && keys(QStringLiteral("Return")));
    QVERIFY(bells_->waitFor(1));

    // Buttons, past Mode. Delete there says there is nothing to delete yet,
    // which also shows the page has been reached before the joystick is used.
    QVERIFY(keys(QStringLiteral("ctrl+Tab ctrl+Tab alt+d")));
    QVERIFY(editor.answer(dpy_, "Information", {}, QStringLiteral("Return")));
    QVERIFY(press(editor, 1));
    // The purpose, Repeat, keystroke 1: Space opens the keystroke dialog,
    // whose key list finds "g" as it is typed; CTRL ticked, Enter takes it.
    QVERIFY(type(QStringLiteral("Fire guns")) && keys(QStringLiteral("Tab Tab space")));
    QVERIFY(editor.answer(dpy_, "Keystroke Selection", QStringLiteral("g"),
                          QStringLiteral("Tab space Return")));
    QVERIFY(keys(QStringLiteral("alt+a")));
    QVERIFY(bells_->waitFor(1));

    // Saved under a name without its suffix, which the dialog adds.
    QVERIFY(keys(QStringLiteral("alt+s")));
    QVERIFY(editor.answer(dpy_, "Save Joystick Template", dir_.filePath(QStringLiteral("game")),
                          QStringLiteral("Return")));
    QVERIFY(editor.exit(dpy_));
    const QString path = dir_.filePath(QStringLiteral("game.joy"));
    const QByteArray text = corv::test::readFile(path);
    for (const char* line : {"DESCRIPTION=Flight", "1=1,Trigger", "2=2,Top",
                             "BUTTON1_DESC=Fire guns", "BUTTON1_1=71", "BUTTON1_1_Ctrl=1"})
        QVERIFY2(text.contains(QByteArray(line) + "\n"), (line + (" not in\n" + text)).constData());
    saved_ = path;
}

void TestCorveditKeyboard::savedTemplatePlays()
{
    if (saved_.isEmpty())
        QSKIP("no template was saved_");
    CorvplayProcess player;
    player.platform = QStringLiteral("offscreen");
    player.start(QStringLiteral("print"), saved_);
    // Button 2 is identified only: the first keys are button 1's, Ctrl+G.
    QVERIFY(player.send("press 2\nwait 300\nrelease 2\nwait 300\npress 1\nwait 300\nrelease 1\n"));
    QStringList typed;
    const auto keyLines = [&] {
        typed.clear();
        for (const QString& line : player.lines()) {
            if (line.startsWith(u"key "))
                typed << line.section(u' ', 0, 2);
        }
        return typed.size() >= 4;
    };
    QVERIFY2(QTest::qWaitFor(keyLines, kTimeout), qPrintable(player.errorLines().join(u'\n')));
    QCOMPARE(typed.mid(0, 4),
             QStringList({"key 17 down", "key 71 down", "key 71 up", "key 17 up"}));
}

void TestCorveditKeyboard::screenshotOfEachPage()
{
    if (saved_.isEmpty())
        QSKIP("no template was saved_");
    Corvedit editor;
    QVERIFY(editor.start(dpy_, {saved_}));
    // The tab bar under the 48-pixel toolbar changes only when the page
    // does. Once it is drawn, Ctrl+Tab goes round every page, back to the first.
    const QRect tabBar(0, 48, 529, 20);
    const auto tabs = [&] { return grab(dpy_, editor.window).copy(tabBar); };
    const auto drawn = [&] {
        const QImage bar = tabs();
        QSet<QRgb> colours;
        for (int y = 0; y < bar.height(); ++y) {
            for (int x = 0; x < bar.width(); ++x)
                colours.insert(bar.pixel(x, y));
        }
        return colours.size() > 2; // frames and captions, not a bare window
    };
    QVERIFY(QTest::qWaitFor(drawn, kTimeout));
    const QStringList pages{"type",       "identify", "mode", "buttons",    "response",
                            "appearance", "summary",  "test", "description"};
    for (const QString& page : pages) {
        const QImage before = tabs();
        QVERIFY(keys(QStringLiteral("ctrl+Tab")));
        QVERIFY(QTest::qWaitFor([&] { return tabs() != before; }, kTimeout));
        if (page == u"buttons")
            QVERIFY(press(editor, 1)); // its mapping shown in the fields
        QVERIFY(shot(editor.window, page));
    }
    QVERIFY(editor.exit(dpy_));
}

void TestCorveditKeyboard::looksAtAFilledSlotAndChangesNothing()
{
    const QByteArray original =
        corv::test::readFile(corv::test::sourceFile(QStringLiteral("examples/flight.joy")));
    const QString opened =
        corv::test::writeFile(dir_.filePath(QStringLiteral("flight.joy")), original);
    Corvedit editor;
    QVERIFY(editor.start(dpy_, {opened}));
    const auto unmodifiedTitle = [&] {
        const QByteArray name = rawTitle(dpy_, editor.window);
        return name.startsWith("flight.joy ") && name.endsWith(" Corvane");
    };
    // The title follows the document a moment after the window is mapped.
    QVERIFY(QTest::qWaitFor(unmodifiedTitle, kTimeout));
    // Buttons: button 1 shows "Ctrl + Shift + a" in slot 1. The dialog opens
    // on it, and Enter keeps it; Add then modifies the mapping to itself.
    QVERIFY(keys(QStringLiteral("ctrl+Tab ctrl+Tab ctrl+Tab ctrl+Tab")));
    QVERIFY(press(editor, 1));
    QVERIFY(keys(QStringLiteral("Tab Tab space")));
    QVERIFY(editor.answer(dpy_, "Keystroke Selection", {}, QStringLiteral("Return")));
    QVERIFY(keys(QStringLiteral("alt+a")));
    QVERIFY(bells_->waitFor(1));
    QVERIFY(unmodifiedTitle());
    const QString copy = dir_.filePath(QStringLiteral("copy.joy"));
    // Save As offers the open file's name: replaced by another one.
    QVERIFY(keys(QStringLiteral("ctrl+shift+s")));
    Window save = 0;
    QVERIFY(QTest::qWaitFor(
        [&] { return (save = editor.findWindow(dpy_, "Save Joystick Template")) != 0; }, kTimeout));
    QVERIFY(focus(save) && keys(QStringLiteral("ctrl+a")) && type(copy) &&
            keys(QStringLiteral("Return")));
    QVERIFY(QTest::qWaitFor([&] { return !viewable(dpy_, save); }, kTimeout));
    QVERIFY(focus(editor.window));
    QVERIFY(editor.exit(dpy_));
    QCOMPARE(corv::test::readFile(copy), original);
}

bool TestCorveditKeyboard::program(Corvedit& editor, const Input& input, const QString& purpose,
                                   const QString& key, const QString& action)
{
    return show(editor, input) && type(purpose) && keys(QStringLiteral("Tab Tab space")) &&
           editor.answer(dpy_, "Keystroke Selection", key, QStringLiteral("Return")) &&
           keys(QStringLiteral("Tab Tab Tab Tab Tab Tab %1 alt+a").arg(action).simplified()) &&
           bells_->waitFor(1);
}

QImage TestCorveditKeyboard::settled(Window w)
{
    QImage last;
    QImage now = grab(dpy_, w);
    for (int i = 0; i < 50 && now != last; ++i) {
        QTest::qWait(100);
        last = std::exchange(now, grab(dpy_, w));
    }
    return now;
}

bool TestCorveditKeyboard::shot(Window w, const QString& name)
{
    const QDir shots(qEnvironmentVariable("CORV_BINARY_DIR") + QStringLiteral("/screenshots"));
    return shots.mkpath(QStringLiteral(".")) &&
           settled(w).save(shots.filePath(name + QStringLiteral(".png")));
}

void TestCorveditKeyboard::makesAndPlaysAGamepadTemplate()
{
    // Each input held a while: the stick (Hold D), X (Turbo F every 100 ms),
    // the chord (G) and the trigger (H).
    const QByteArray play = "axis 1 32767\nwait 400\naxis 1 rest\nwait 200\n"
                            "press 3\nwait 450\nrelease 3\nwait 200\n"
                            "press 1\npress 2\nwait 300\nrelease 2\nrelease 1\nwait 200\n"
                            "axis 6 32767\nwait 300\naxis 6 rest\nwait 200\n";
    Corvedit editor;
    QVERIFY2(editor.start(dpy_), editor.process.readAllStandardError().constData());

    // Type, past its tab: Down from the checked Digital chooses Analog, and
    // the change is refused; Down and Space then choose Gamepad.
    QVERIFY(keys(QStringLiteral("ctrl+Tab Tab Tab Down")));
    QVERIFY(editor.answer(dpy_, "Warning", {}, QStringLiteral("Escape")));
    QVERIFY(keys(QStringLiteral("Down space")));
    QVERIFY(editor.answer(dpy_, "Warning", {}, QStringLiteral("Return")));
    QVERIFY(shot(editor.window, QStringLiteral("gamepad-type")));

    // Identify: each input is named by what moved, the chord once its window
    // has passed.
    QVERIFY(keys(QStringLiteral("ctrl+Tab")));
    for (const auto& [input, name] : {std::pair{StickRight, "Stick right"},
                                      {Trigger, "Right trigger"},
                                      {Chord, "A and B"},
                                      {X, "X"}}) {
        QVERIFY(show(editor, input));
        QVERIFY(type(QString::fromLatin1(name)) && keys(QStringLiteral("alt+a")));
        QVERIFY(bells_->waitFor(1));
    }
    QVERIFY(shot(editor.window, QStringLiteral("gamepad-identify")));

    // Buttons, past Mode.
    QVERIFY(keys(QStringLiteral("ctrl+Tab ctrl+Tab")));
    QVERIFY(program(editor, StickRight, QStringLiteral("Walk"), QStringLiteral("d"),
                    QStringLiteral("Down"))); // Hold
    // Turbo, with its rate typed over the Default of the spin box
    QVERIFY(program(editor, X, QStringLiteral("Fire"), QStringLiteral("f"),
                    QStringLiteral("Down Down Down Tab ctrl+a 1 0 0")));
    QVERIFY(program(editor, Chord, QStringLiteral("Grenade"), QStringLiteral("g")));
    QVERIFY(program(editor, Trigger, QStringLiteral("Use"), QStringLiteral("h")));
    QVERIFY(show(editor, X)); // its fields shown in the picture
    QVERIFY(shot(editor.window, QStringLiteral("gamepad-buttons")));
    QVERIFY(keys(QStringLiteral("ctrl+Tab")));
    QVERIFY(shot(editor.window, QStringLiteral("gamepad-response")));
    QVERIFY(keys(QStringLiteral("ctrl+Tab ctrl+Tab")));
    QVERIFY(shot(editor.window, QStringLiteral("gamepad-summary")));

    // Test: the joystick plays the template as it stands into the page's
    // list, while another window has the keyboard and gets nothing.
    QVERIFY(keys(QStringLiteral("ctrl+Tab")));
    const QImage before = settled(editor.window);
    KeyRecorderWindow recorder;
    QVERIFY(recorder.dpy);
    XMoveWindow(recorder.dpy, recorder.window, 600, 0); // beside the editor
    recorder.focus();
    QVERIFY(editor.send(play));
    // Play's own length, and then some; the list has changed meanwhile.
    QTest::qWait(3000);
    QVERIFY(settled(editor.window) != before);
    QCOMPARE(recorder.read(), QStringList());
    QVERIFY(focus(editor.window));
    QVERIFY(shot(editor.window, QStringLiteral("gamepad-test")));

    QVERIFY(keys(QStringLiteral("alt+s")));
    const QString path = dir_.filePath(QStringLiteral("pad.joy"));
    QVERIFY(editor.answer(dpy_, "Save Joystick Template", path, QStringLiteral("Return")));
    QVERIFY(editor.exit(dpy_));
    // The inputs as identified; the Response page shown adds no key of its own.
    const QByteArray text = corv::test::readFile(path);
    for (const char* line :
         {"1=AXIS1_POS,Stick right", "2=AXIS6_POS,Right trigger", "3=B1+B2,A and B", "4=B3,X"})
        QVERIFY2(text.contains(QByteArray(line) + "\n"), (line + (" not in\n" + text)).constData());
    QVERIFY(!text.contains("CHORD_MS"));

    // The saved file on the same script, in a dry run: "68+" for "key 68 down".
    CorvplayProcess player;
    player.platform = QStringLiteral("offscreen");
    player.start(QStringLiteral("print"), path);
    QVERIFY(player.send(play));
    QString typed;
    const auto lastKeyUp = [&] {
        typed = typedOf(player.lines()).join(u' ');
        return typed.endsWith(u"72-");
    };
    QVERIFY2(QTest::qWaitFor(lastKeyUp, kTimeout), qPrintable(typed));
    const QRegularExpression played(
        QStringLiteral("^68\\+ 68- (70\\+ 70- ){3,}71\\+ 71- 72\\+ 72-$"));
    QVERIFY2(played.match(typed).hasMatch(), qPrintable(typed));
}

QTEST_GUILESS_MAIN(TestCorveditKeyboard)
#include "tst_corvedit_keyboard.moc"
