#include "TestFiles.h"
#include "platform/KeyboardLayout.h"
#include "runtime/TemplateReport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using namespace corv;

namespace
{

struct Report {
    TemplateReport::Status status = TemplateReport::Valid;
    QString out;
    QString err;
};

Report report(const QString& path, bool strict = false, const KeyboardLayout* layout = nullptr)
{
    Report r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = TemplateReport::Run(path, out, err, strict, layout);
    return r;
}

// Writes content to t.joy in dir, which becomes the current folder: the
// report names the file as it was given.
bool writeTemplate(const QTemporaryDir& dir, const QByteArray& content)
{
    corv::test::writeFile(dir.filePath(QStringLiteral("t.joy")), content);
    return QDir::setCurrent(dir.path());
}

// A layout with every ASCII character but those it lacks, as uinput sees it.
struct LackingLayout : KeyboardLayout {
    QString lacks;
    QString typed(int) const override { return {}; }
    bool onLayout(char32_t c) const override { return c < 0x7f && !lacks.contains(QChar(c)); }
};

} // namespace

class TestTemplateReport : public QObject
{
    Q_OBJECT

private slots:
    void flightExample();
    void everyExampleIsClean();
    void statuses_data();
    void statuses();
    void warnings_data();
    void warnings();
    void charactersTheLayoutLacks_data();
    void charactersTheLayoutLacks();
};

void TestTemplateReport::flightExample()
{
    const QString path = corv::test::sourceFile("examples/flight.joy");
    const Report r = report(path, true);
    QCOMPARE(r.status, TemplateReport::Valid);
    QVERIFY(r.err.isEmpty());
    QStringList lines = r.out.split(u'\n');
    QCOMPARE(lines.takeFirst(), "Template: " + QFileInfo(path).absoluteFilePath());
    QCOMPARE(lines, QStringList({"Description: Flight game", "Device: digital (polled)",
                                 "Response: 3", "Mode switch button: ButtonId 4 (button 3)",
                                 "Mode switch key: none", "Modes: 2", "Mode 1: Ground",
                                 "  Mapping 1, ButtonId 1 (button 1), repeating: Ctrl + Shift + a",
                                 "  Mapping 2, ButtonId 2 (button 2): Space", "Mode 2: Air",
                                 "  Mapping 1, ButtonId 1 (button 1): Enter, [NONE], Tab", ""}));
}

// A new example is checked as soon as it is in the folder.
void TestTemplateReport::everyExampleIsClean()
{
    const QDir examples(QFileInfo(corv::test::sourceFile("examples/flight.joy")).path());
    for (const QString& name : examples.entryList({QStringLiteral("*.joy")}, QDir::Files)) {
        const Report r = report(examples.filePath(name), true);
        QVERIFY2(r.status == TemplateReport::Valid && r.err.isEmpty(), qPrintable(name + r.err));
    }
}

void TestTemplateReport::statuses_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("inOut");
    QTest::addColumn<QString>("inErr");

    QTest::newRow("not a template") << QByteArray("[GLOBAL]\nMODE1NAME=A\n") << 1 << ""
                                    << "This is not a valid joystick template file";
    // A README: the first few of its warnings, then how many more.
    QTest::newRow("not a template, many lines")
        << QByteArray("text\n").repeated(9) << 1 << ""
        << "t.joy:5: warning: not a KEY=VALUE line; ignored\nt.joy: 4 more warnings\n";
    QTest::newRow("no file") << QByteArray() << 4 << ""
                             << "t.joy: cannot read the template\nt.joy: No such file or directory";
    QTest::newRow("UTF-16") << QByteArray("\xff\xfe[\0G\0") << 1 << ""
                            << "t.joy: is saved as UTF-16 text; save it as plain text";
    QTest::newRow("earlier version")
        << QByteArray("[GLOBAL]\nMODE_SWITCH_BUTTON=\n") << 2 << ""
        << "This template file is from an earlier version of The Corvane.";
    QTest::newRow("bad colour") << QByteArray("[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=A\n"
                                              "FORECOLOURS=$12\"\n")
                                << 3 << "Modes: 0"
                                << "FORECOLOURS";
    QTest::newRow("unknown key code and switch key")
        << QByteArray("[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=A\nMODE_SWITCH_KEY=112\n"
                      "MODES=1\nBUTTONS=1\n[MAPPING]\nBUTTON1=257\n"
                      "[MODE1]\nBUTTON1_COUNT=1\nBUTTON1_1=91\nBUTTON1_1_ALT=1\n")
        << 0
        << "Mode switch key: F1\nModes: 1\nMode 1: A\n  Mapping 1, ButtonId 257 (buttons 1+9): Alt "
           "+ "
           "key code "
           "91\n"
        << "t.joy:11: warning: BUTTON1_1=91: key code 91 is not in the key table";
    QTest::newRow("combined, newer mapping keys")
        << QByteArray("[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=A\nMODES=1\nBUTTONS=3\n"
                      "[MAPPING]\nBUTTON1=1\nBUTTON2=2\nBUTTON3=4\n[MODE1]\n"
                      "BUTTON1_COUNT=1\nBUTTON1_1=65\nBUTTON1_ACTION=hold\n"
                      "BUTTON2_COUNT=2\nBUTTON2_1=66\nBUTTON2_2=67\nBUTTON2_REPEAT=1\n"
                      "BUTTON2_RATE=50\nBUTTON2_PRESS_MS=30\nBUTTON2_GAP_MS=20\n"
                      "BUTTON3_COUNT=1\nBUTTON3_1=68\nBUTTON3_ACTION=LAYER\nBUTTON3_MODE=1\n")
        << 0
        << "Mode 1: A\n  Mapping 1, ButtonId 1 (button 1), hold: a\n  Mapping 2, ButtonId 2 "
           "(button 2), repeating "
           "every 50 ms, press 30 ms, gap 20 ms: b, c\n  Mapping 3, ButtonId 4 (button 3): d\n"
        << "t.joy:23: warning: BUTTON3_ACTION=LAYER: only a template with INPUTS=SEPARATE";
    QTest::newRow("for programs")
        << QByteArray("[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=A\nAPPS=XTerm; Title: NetHack ;\n")
        << 0 << "Description: \nFor programs: XTerm; title:NetHack\nDevice: "
        << "";
    QTest::newRow("separate, names that do not act")
        << QByteArray("[GLOBAL]\nMODE_SWITCH_BUTTON=b5\nMODE1NAME=A\nMODES=2\nBUTTONS=2\n"
                      "INPUTS=separate\nCHORD_MS=0\nAXIS_THRESHOLD=40\n"
                      "[MAPPING]\nBUTTON1=B99\nBUTTON2=HAT_LEFT+b6\n[MODE1]\n"
                      "BUTTON1_COUNT=1\nBUTTON1_1=65\nBUTTON2_ACTION=MODE\n[MODE2]\n"
                      "BUTTON1_ACTION=TURBO\nBUTTON1_RATE=40\nBUTTON1_COUNT=1\nBUTTON1_1=65\n"
                      "BUTTON2_ACTION=LAYER\nBUTTON2_MODE=1\n")
        << 0
        << "Device: separate inputs (acted on as they change)\nChord window: 0 ms\nAxis "
           "threshold: 40 %, let go 10 points below\nResponse: 3\nMode switch button: B5\n"
           "Mode switch key: none\nModes: 2\nMode 1: A\n  Mapping 1, no input: a\n"
           "  Mapping 2, B6+HAT_LEFT: nothing (no mode to switch to)\nMode 2: Mode 2\n"
           "  Mapping 1, no input, turbo every 40 ms: a\n"
           "  Mapping 2, B6+HAT_LEFT: layer: mode 1 while held\n"
        << "t.joy:10: warning: BUTTON1=B99: unknown input \"B99\"; this button number never acts";
}

void TestTemplateReport::statuses()
{
    QFETCH(QByteArray, content);
    QFETCH(int, status);
    QFETCH(QString, inOut);
    QFETCH(QString, inErr);

    QTemporaryDir dir;
    QVERIFY(writeTemplate(dir, content));
    if (content.isNull()) // no file at all
        QVERIFY(QFile::remove(QStringLiteral("t.joy")));
    const Report r = report(QStringLiteral("t.joy"));
    QCOMPARE(int(r.status), status);
    QVERIFY2(r.out.contains(inOut), qPrintable(r.out));
    QVERIFY2(r.err.contains(inErr), qPrintable(r.err));
    if (inErr.isEmpty())
        QVERIFY(r.err.isEmpty());
}

void TestTemplateReport::warnings_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("warning");

    // Each body follows a [GLOBAL] section of lines 1 to 5 with BUTTONS=2,
    // MODES=1 and the mode-switch button 4, so its first line is line 6.
    const auto row = [](const char* name, const char* body, const char* warning) {
        QTest::newRow(name) << QByteArray(body) << QString::fromLatin1(warning);
    };
    row("section, near", "[MAPPINGS]\n", "6: warning: [MAPPINGS]: did you mean [MAPPING]?");
    row("section, mode with a blank", "[MODE 1]\n", "6: warning: [MODE 1]: did you mean [MODE1]?");
    row("section, unknown", "[KEYS]\n", "6: warning: [KEYS]: unknown section; ignored");
    row("section twice", "[GLOBAL]\n",
        "6: warning: [GLOBAL] again (first on line 1); only the "
        "first is read");
    row("key, near", "[MODE1]\nBUTTON1_CONT=1\n",
        "7: warning: BUTTON1_CONT: did you mean BUTTON1_COUNT?");
    row("key, unknown", "[MAPPING]\nFIRE=1\n",
        "7: warning: FIRE: unknown key in [MAPPING]; ignored");
    row("key twice", "[MAPPING]\nBUTTON1=1\nbutton1=2\n",
        "8: warning: button1 again (first on line 7); only the first is read");
    row("not a line", "[MAPPING]\nBUTTON1 1\n", "7: warning: not a KEY=VALUE line; ignored");
    row("key code is a letter", "[MODE1]\nBUTTON1_COUNT=1\nBUTTON1_1=W\n",
        "8: warning: BUTTON1_1=W: key codes are numbers; w is 87");
    row("key code out of range", "[MODE1]\nBUTTON1_COUNT=1\nBUTTON1_1=300\n",
        "8: warning: BUTTON1_1=300: key codes are 1 to 255");
    row("modifier not 0 or 1", "[MODE1]\nBUTTON1_COUNT=1\nBUTTON1_1=65\nBUTTON1_1_Ctrl=yes\n",
        "9: warning: BUTTON1_1_Ctrl=yes: use 1 or 0; this reads as 0");
    row("comment after a value", "[MODE1]\nBUTTON1_COUNT=1 ; fire\n",
        "7: warning: BUTTON1_COUNT: comments must be on their own line; the value is all of \"1 ; "
        "fire\"");
    row("number out of range", "RESPONSE=9\n", "6: warning: RESPONSE=9: must be 0 to 6");
    row("APPS, empty entry", "APPS=xterm;;nethack;\n",
        "6: warning: APPS=xterm;;nethack;: entry 2 is empty");
    row("APPS, empty title", "APPS= title: \n",
        "6: warning: APPS=title:: entry 1 (\"title:\") has no text and is left out");
    row("ButtonId twice", "[MAPPING]\nBUTTON1=1\nBUTTON2=1\n",
        "8: warning: BUTTON2=1: ButtonId 1 is also on line 7; a press only ever finds that one");
    row("ButtonId empty", "[MAPPING]\nBUTTON1=\nBUTTON2=2\n",
        "7: warning: BUTTON1=: no ButtonId; it reads as ButtonId 0 (the hat pushed forward)");
    row("ButtonId missing", "[MAPPING]\nBUTTON1=1\n",
        "2: warning: BUTTONS=2: BUTTON2 is missing, so it is ButtonId 0 (the hat pushed forward)");
    row("button beyond BUTTONS", "[MODE1]\nBUTTON3_COUNT=1\nBUTTON3_1=65\n",
        "7: warning: BUTTON3: beyond BUTTONS=2, so the keys of button number 3 are never read");
    row("mode beyond MODES", "[MODE2]\n",
        "6: warning: [MODE2]: MODES=1, so this mode is never read");
    row("COUNT without keys", "[MODE1]\nBUTTON1_COUNT=2\nBUTTON1_1=65\n",
        "7: warning: BUTTON1_COUNT=2: no BUTTON1_2 under it; that slot sends key code 0");
    row("key without COUNT", "[MODE1]\nBUTTON1_1=65\n",
        "7: warning: BUTTON1_1=65: no BUTTON1_COUNT in [MODE1], so this button sends nothing");
    row("switch button mapped",
        "[MAPPING]\nBUTTON1=1\nBUTTON2=4\n[MODE1]\nBUTTON2_COUNT=1\n"
        "BUTTON2_1=65\n",
        "10: warning: BUTTON2_COUNT=1: BUTTON2 is the mode-switch button; its presses switch the "
        "mode and never send these keys");
    row("switch button repeats",
        "[MAPPING]\nBUTTON1=1\nBUTTON2=4\n[MODE1]\nBUTTON2_COUNT=1\n"
        "BUTTON2_REPEAT=1\nBUTTON2_1=65\n",
        "11: warning: BUTTON2_REPEAT=1: BUTTON2 is the mode-switch button; holding it switches "
        "the mode, then sends these keys over and over");
    row("action unknown", "[MODE1]\nBUTTON1_COUNT=1\nBUTTON1_1=65\nBUTTON1_ACTION=HOLDD\n",
        "9: warning: BUTTON1_ACTION=HOLDD: not an action (TAP, HOLD, TOGGLE, TURBO, MODE or "
        "LAYER); it plays as TAP");
    row("rate below its range", "[MODE1]\nBUTTON1_COUNT=1\nBUTTON1_1=65\nBUTTON1_RATE=5\n",
        "9: warning: BUTTON1_RATE=5: must be 10 to 2000; the player uses 10");
    row("inputs neither", "INPUTS=SEPERATE\n",
        "6: warning: INPUTS=SEPERATE: use SEPARATE or COMBINED; this plays as COMBINED");
    row("character not U+", "[MODE1]\nBUTTON1_COUNT=1\nBUTTON1_1_CHAR=e\n",
        "8: warning: BUTTON1_1_CHAR=e: write a character as U+ and its hexadecimal code, such as "
        "U+00E9; this slot types its key");
    row("hold repeats a key",
        "[MODE1]\nBUTTON1_ACTION=TOGGLE\nBUTTON1_COUNT=3\nBUTTON1_1=87\nBUTTON1_1_Shift=1\n"
        "BUTTON1_2=65\nBUTTON1_3=87\n",
        "12: warning: BUTTON1_3=87: slot 1 holds key code 87 already; BUTTON1_ACTION=TOGGLE "
        "keeps it down, so this slot presses nothing");
    row("separate, mapped ButtonId", "INPUTS=SEPARATE\n[MAPPING]\nBUTTON1=3\nBUTTON2=B1\n",
        "8: warning: BUTTON1=3: a ButtonId, not an input name (B1, HAT_UP, AXIS1_POS, B1+B2 ...); "
        "this button number never acts");
    row("separate, button missing", "INPUTS=SEPARATE\n[MAPPING]\nBUTTON1=B1\n",
        "2: warning: BUTTONS=2: BUTTON2 is missing, so it names no input and never acts");
    row("separate, chord mapped twice",
        "INPUTS=SEPARATE\n[MAPPING]\nBUTTON1=B1+B2\nBUTTON2=b2 + B1\n[MODE1]\nBUTTON1_COUNT=1\n"
        "BUTTON1_1=27\nBUTTON2_COUNT=1\nBUTTON2_1=69\n",
        "13: warning: BUTTON2: names B1+B2, as BUTTON1 does, and both have keys in [MODE1]; map "
        "each input or chord once in a mode");
    row("separate, layer without mode",
        "INPUTS=SEPARATE\n[MAPPING]\nBUTTON1=B6\nBUTTON2=B1\n[MODE1]\nBUTTON1_ACTION=LAYER\n",
        "11: warning: BUTTON1_ACTION=LAYER: no BUTTON1_MODE, so this mapping does nothing");
    row("switch key no hot key", "MODE_SWITCH_KEY=186\n",
        "6: warning: MODE_SWITCH_KEY=186: this key cannot be a hot key, so no key switches the "
        "mode (corvplay --list-keys lists those that can)");
}

// Each kind of mistake, at its line; warnings alone leave the status at 0
// and --strict makes it 3.
void TestTemplateReport::warnings()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, warning);
    QTemporaryDir dir;
    QVERIFY(writeTemplate(dir, "[GLOBAL]\nBUTTONS=2\nMODES=1\nMODE_SWITCH_BUTTON=4\nMODE1NAME=A\n" +
                                   body));
    for (bool strict : {false, true}) {
        const Report r = report(QStringLiteral("t.joy"), strict);
        QCOMPARE(r.status, strict ? TemplateReport::LoadError : TemplateReport::Valid);
        QVERIFY2(r.err.split(u'\n').contains("t.joy:" + warning), qPrintable(r.err));
    }
}

void TestTemplateReport::charactersTheLayoutLacks_data()
{
    QTest::addColumn<QByteArray>("global");
    QTest::addColumn<QStringList>("warnings");
    // Button 1 types Shift + 3 and a U+00E9 slot, button 2 the text "#pray".
    const QString hash = QStringLiteral(
        "t.joy: warning: \"#\" (U+0023) is not on this keyboard layout and cannot be typed: ");
    const QString e = QStringLiteral("t.joy: warning: \"\u00e9\" (U+00E9) is not on this keyboard "
                                     "layout and cannot be typed: mode 1, mapping 1");
    QTest::newRow("characters") << QByteArray()
                                << QStringList{hash + "mode 1, mapping 1; mode 1, mapping 2", e};
    // By position Shift + 3 is a key, not '#'; characters and texts still are.
    QTest::newRow("positions") << QByteArray("KEYS=POSITIONS\n")
                               << QStringList{e, hash + "mode 1, mapping 2"};
}

// One line per character with every mapping that types it; --strict counts them.
void TestTemplateReport::charactersTheLayoutLacks()
{
    QFETCH(QByteArray, global);
    QFETCH(QStringList, warnings);
    QTemporaryDir dir;
    QVERIFY(writeTemplate(dir, "[GLOBAL]\nBUTTONS=2\nMODES=1\nMODE_SWITCH_BUTTON=4\nMODE1NAME=A\n" +
                                   global +
                                   "[MAPPING]\nBUTTON1=1\nBUTTON2=2\n[MODE1]\nBUTTON1_COUNT=2\n"
                                   "BUTTON1_1=51\nBUTTON1_1_Shift=1\nBUTTON1_2_CHAR=U+00E9\n"
                                   "BUTTON2_TEXT=#pray\n"));
    LackingLayout layout;
    layout.lacks = QStringLiteral("#");
    const Report r = report(QStringLiteral("t.joy"), true, &layout);
    QStringList got = r.err.split(u'\n', Qt::SkipEmptyParts);
    std::sort(got.begin(), got.end());
    std::sort(warnings.begin(), warnings.end());
    QCOMPARE(got, warnings);
    QCOMPARE(r.status, TemplateReport::LoadError);
    QCOMPARE(report(QStringLiteral("t.joy"), true).status, TemplateReport::Valid);
}

QTEST_MAIN(TestTemplateReport)
#include "tst_TemplateReport.moc"
