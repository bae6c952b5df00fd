// corvedit used from the keyboard alone: the real program on the test X
// server with a scripted virtual joystick, typed to through xdotool. The
// template it saves is then played by corvplay, and a picture of each of its
// pages goes to the build folder (screenshots/<page>.png).
#include <QDir>
#include <QSet>
#include <QStandardPaths>

#include "CorveditProcess.h"

using namespace corv::test;

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

private:
    // Shows a press on the page shown, waiting for the editor's beep; the
    // release leaves the joystick still long enough for the next press.
    bool press(Corvedit& editor, int button);

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

bool TestCorveditKeyboard::press(Corvedit& editor, int button)
{
    return editor.send(QStringLiteral("press %1\n").arg(button).toLatin1()) && bells_->waitFor(1) &&
           editor.send(QStringLiteral("release %1\nwait 300\n").arg(button).toLatin1());
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
    const QDir shots(qEnvironmentVariable("CORV_BINARY_DIR") + QStringLiteral("/screenshots"));
    QVERIFY(shots.mkpath(QStringLiteral(".")));
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
        QVERIFY(grab(dpy_, editor.window).save(shots.filePath(page + QStringLiteral(".png"))));
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

QTEST_GUILESS_MAIN(TestCorveditKeyboard)
#include "tst_corvedit_keyboard.moc"
