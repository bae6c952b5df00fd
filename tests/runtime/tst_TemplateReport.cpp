#include "TestFiles.h"
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

Report report(const QString& path, bool strict = false)
{
    Report r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = TemplateReport::Run(path, out, err, strict);
    return r;
}

// Writes content to t.joy in dir, which becomes the current folder: the
// report names the file as it was given.
bool writeTemplate(const QTemporaryDir& dir, const QByteArray& content)
{
    corv::test::writeFile(dir.filePath(QStringLiteral("t.joy")), content);
    return QDir::setCurrent(dir.path());
}

} // namespace

class TestTemplateReport : public QObject
{
    Q_OBJECT

private slots:
    void flightExample();
    void statuses_data();
    void statuses();
    void warnings_data();
    void warnings();
};

void TestTemplateReport::flightExample()
{
    const QString path = corv::test::sourceFile("examples/flight.joy");
    const Report r = report(path, true);
    QCOMPARE(r.status, TemplateReport::Valid);
    QVERIFY(r.err.isEmpty());
    QStringList lines = r.out.split(u'\n');
    QCOMPARE(lines.takeFirst(), "Template: " + QFileInfo(path).absoluteFilePath());
    QCOMPARE(lines,
             QStringList({"Description: Flight game", "Device: digital (polled)", "Response: 3",
                          "Mode switch button: ButtonId 4", "Mode switch key: none", "Modes: 2",
                          "Mode 1: Ground", "  Button 1 (ButtonId 1), repeating: Ctrl + Shift + a",
                          "  Button 2 (ButtonId 2): Space", "Mode 2: Air",
                          "  Button 1 (ButtonId 1): Enter, [NONE], Tab", ""}));
}

void TestTemplateReport::statuses_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("inOut");
    QTest::addColumn<QString>("inErr");

    QTest::newRow("not a template") << QByteArray("[GLOBAL]\nMODE1NAME=A\n") << 1 << ""
                                    << "This is not a valid joystick template file";
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
        << "Mode switch key: F1\nModes: 1\nMode 1: A\n  Button 1 (ButtonId 257): Alt + key code "
           "91\n"
        << "t.joy:11: warning: BUTTON1_1=91: key code 91 is not in the key table";
}

void TestTemplateReport::statuses()
{
    QFETCH(QByteArray, content);
    QFETCH(int, status);
    QFETCH(QString, inOut);
    QFETCH(QString, inErr);

    QTemporaryDir dir;
    QVERIFY(writeTemplate(dir, content));
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
    row("number out of range", "RESPONSE=9\n", "6: warning: RESPONSE=9: must be 0 to 6");
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

QTEST_MAIN(TestTemplateReport)
#include "tst_TemplateReport.moc"
