#include "TestFiles.h"
#include "template/ProfileFile.h"
#include "template/RuntimeTemplate.h"
#include "template/Template.h"
#include "template/TemplateFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace corv;
using corv::test::readFile;
using corv::test::writeFile;

namespace
{

QString examplePath()
{
    const QString source =
        qEnvironmentVariable("CORV_SOURCE_DIR", QStringLiteral(QT_TESTCASE_SOURCEDIR "/../.."));
    return source + QStringLiteral("/examples/flight.joy");
}

ButtonMapping mapping(const QString& id, const QString& purpose, bool repeat,
                      std::array<QString, 6> keys)
{
    return ButtonMapping{id, purpose, repeat, keys};
}

// The flight game as a user would build it in the editor.
Template flightGame()
{
    Template t;
    t.IdentifiedButtons = {{"1", "Trigger"}, {"2", "Thumb"}, {"4", "Top"}};
    t.ModeNames[0] = QStringLiteral("Ground");
    t.ModeNames[1] = QStringLiteral("Air");
    t.ModeSwitchButton = QStringLiteral("4");
    t.Mappings[0] = {mapping("1", "Fire", true, {"Ctrl + Shift + a"}),
                     mapping("2", "Jump", false, {"Space"})};
    t.Mappings[1] = {mapping("1", "Missile", false, {"Enter", "", "Tab"})};
    t.Description = QStringLiteral("Flight game");
    return t;
}

// A bit of everything the editor can hold.
Template varied()
{
    Template t;
    t.Description = QStringLiteral("Commas, here, and there");
    t.DigitalDevice = false;
    t.ModeNames = {"A", "B", "C", "D", "E"};
    t.IdentifiedButtons = {{"257", "Fire, main"}, {"514", ""}, {"9000", "Hat right"}};
    t.ModeSwitchButton = QStringLiteral("9000");
    t.ModeSwitchKey = QStringLiteral("F10");
    t.Response = 6;
    t.ForeIndex = 15;
    t.BackIndex = 4;
    t.ForeColour = 0xFFFFFF;
    t.BackColour = 0x800000;
    t.FontName = QStringLiteral("DejaVu Sans");
    t.FontSize = 14;
    t.FontBold = true;
    t.FontItalic = true;
    t.Mappings[0] = {mapping("514", "", false, {"", "", "", "", "", "Ctrl + Alt"})};
    t.Mappings[2] = {mapping("257", "Shoot", true, {"Shift + [ ", "Alt + Alt", "\\"}),
                     mapping("1028", "x", false, {"Ctrl + Shift + Alt + Delete"})};
    t.Mappings[4] = {mapping("514", "last", true, {"Numpad +"})};
    return t;
}

// Named fields of both views, so that rows can probe any of them.
QString editorField(const Template& t, const QString& name)
{
    if (name == u"modeName1")
        return t.ModeNames[0];
    if (name == u"switchButton")
        return t.ModeSwitchButton;
    if (name == u"switchKey")
        return t.ModeSwitchKey;
    if (name == u"identified1")
        return t.IdentifiedButtons.value(0).ButtonId + u'|' +
               t.IdentifiedButtons.value(0).Description;
    if (name == u"identifiedCount")
        return QString::number(t.IdentifiedButtons.size());
    if (name == u"mode1")
        return [&] {
            QStringList out;
            for (const ButtonMapping& m : t.Mappings[0])
                out << m.ButtonId + u':' +
                           QStringList(m.Keystrokes.begin(), m.Keystrokes.end()).join(u',');
            return out.join(u' ');
        }();
    if (name == u"colours")
        return QStringLiteral("%1 %2 %3 %4")
            .arg(t.ForeIndex)
            .arg(t.BackIndex)
            .arg(t.ForeColour)
            .arg(t.BackColour);
    if (name == u"response")
        return QString::number(t.Response);
    return QStringLiteral("?");
}

QString runtimeField(const RuntimeTemplate& t, const QString& name)
{
    if (name == u"modeName1")
        return t.ModeNames[0];
    if (name == u"counts")
        return QStringLiteral("%1 %2").arg(t.ModeCount).arg(t.ButtonCount);
    if (name == u"switch")
        return QStringLiteral("%1 %2").arg(t.ModeSwitchButton).arg(t.ModeSwitchKey);
    if (name == u"button1")
        return QString::number(t.ButtonIds[0]);
    if (name == u"mode1button1") {
        const Mapping& m = t.Mappings[0][0];
        QStringList out{QString::number(m.Count), m.Repeat ? "R" : "-"};
        for (const KeySlot& k : m.Keys)
            out << QStringLiteral("%1%2%3%4")
                       .arg(k.Ctrl ? "c" : "")
                       .arg(k.Shift ? "s" : "")
                       .arg(k.Alt ? "a" : "")
                       .arg(k.VirtualKey);
        return out.join(u' ');
    }
    if (name == u"colours")
        return t.ForeColour + u' ' + t.BackColour;
    if (name == u"font")
        return QStringLiteral("%1 %2 %3 %4")
            .arg(t.FontName.size())
            .arg(t.FontSize)
            .arg(t.FontBold)
            .arg(t.FontItalic);
    return QStringLiteral("?");
}

// Every value of a file as "SECTION/KEY=value", in sorted order.
QStringList entries(const QByteArray& bytes)
{
    QStringList out;
    QString section;
    for (const QString& line : QString::fromUtf8(bytes).split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(u'['))
            section = line;
        else
            out << section + u'/' + line;
    }
    out.sort();
    return out;
}

// A minimal valid file with extra lines in GLOBAL and a MODE1 section.
QByteArray handEdited(const QByteArray& global, const QByteArray& mode1 = QByteArray())
{
    return "[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=One\nMODES=1\nBUTTONS=1\n" + global +
           "[MAPPING]\nBUTTON1=257\n[MODE1]\n" + mode1;
}

} // namespace

class tst_TemplateFile : public QObject
{
    Q_OBJECT
private slots:
    void workedExampleWritesItsLines();
    void workedExampleEditorView();
    void workedExampleRuntimeView();
    void roundTrip_data();
    void roundTrip();
    void numberingIsTextOrder();
    void check_data();
    void check();
    void handEditedFile_data();
    void handEditedFile();
    void unknownColourIsReported();
    void buttonLimit_data();
    void buttonLimit();
    void failedSave_data();
    void failedSave();
    void foreignSectionSurvives();

private:
    QTemporaryDir dir_;
};

void tst_TemplateFile::workedExampleWritesItsLines()
{
    const QString path = dir_.filePath(QStringLiteral("new.joy"));
    QString error;
    QVERIFY2(WriteTemplate(flightGame(), path, &error), qPrintable(error));
    const QByteArray expected = readFile(examplePath());
    QVERIFY(!expected.isEmpty());
    QCOMPARE(readFile(path), expected);
}

void tst_TemplateFile::workedExampleEditorView()
{
    QCOMPARE(CheckTemplateFile(examplePath()), TemplateCheck::Valid);
    Template t;
    QVERIFY(ReadTemplate(examplePath(), t));
    QCOMPARE(t, flightGame());
}

void tst_TemplateFile::workedExampleRuntimeView()
{
    RuntimeTemplate t;
    const RuntimeReadResult result = ReadRuntimeTemplate(examplePath(), t);
    QVERIFY(result.Loaded);
    QVERIFY(result.ColourErrors.isEmpty());
    QCOMPARE(t.ModeCount, 2);
    QCOMPARE(t.ButtonCount, 3);
    QCOMPARE((std::array{t.ButtonIds[0], t.ButtonIds[1], t.ButtonIds[2], t.ButtonIds[3]}),
             (std::array{1, 2, 4, 0}));
    QCOMPARE(t.ModeSwitchButton, 4);
    QCOMPARE(t.ModeSwitchKey, RuntimeTemplate::NoSwitchKey);
    QCOMPARE(runtimeField(t, "mode1button1"), QStringLiteral("1 R cs65 0 0 0 0 0"));
    const Mapping& jump = t.Mappings[0][1];
    QCOMPARE(jump.Count, 1);
    QCOMPARE(jump.Keys[0].VirtualKey, 32);
    const Mapping& missile = t.Mappings[1][0];
    QCOMPARE(missile.Count, 3);
    QCOMPARE((std::array{missile.Keys[0].VirtualKey, missile.Keys[1].VirtualKey,
                         missile.Keys[2].VirtualKey}),
             (std::array<uint8_t, 3>{13, 0, 9}));
    QCOMPARE(t.Mappings[0][2].Count, 0); // the switch button has no keys
    QCOMPARE(t.ModeNames, (std::array<QString, 5>{"Ground", "Air", "Mode 3", "Mode 4", "Mode 5"}));
    QCOMPARE(t.TemplateDescription, QStringLiteral("Flight game"));
    QVERIFY(t.DigitalDevice);
    QCOMPARE(t.Response, 3);
    QCOMPARE(runtimeField(t, "colours"), QStringLiteral("clBlack clSilver"));
}

void tst_TemplateFile::roundTrip_data()
{
    QTest::addColumn<Template>("original");
    QTest::newRow("worked example") << flightGame();
    QTest::newRow("empty") << Template();
    QTest::newRow("varied") << varied();
    // The newer keys stay with their mapping when the save renumbers the
    // buttons in text order: B6, listed first, is saved as BUTTON3.
    Template gamepad;
    gamepad.ModeSwitchButton = QStringLiteral("B5");
    gamepad.GlobalExtras = {{"INPUTS", "SEPARATE"}, {"CHORD_MS", "40"}, {"AXIS6_THRESHOLD", "30"}};
    gamepad.Mappings[0] = {ButtonMapping{"B6", "", false, {}, {{"ACTION", "LAYER"}, {"MODE", "2"}}},
                           ButtonMapping{"AXIS2_NEG", "", false, {"w"}, {{"ACTION", "HOLD"}}},
                           ButtonMapping{"B1+B2", "", false, {"Esc"}, {{"GAP_MS", "20"}}}};
    QTest::newRow("gamepad keys") << gamepad;
    Template programs = flightGame();
    programs.GlobalExtras = {{"APPS", "xterm; title:NetHack"}};
    QTest::newRow("programs") << programs;
}

void tst_TemplateFile::roundTrip()
{
    QFETCH(Template, original);
    const QString path = dir_.filePath(QStringLiteral("round.joy"));
    QVERIFY(WriteTemplate(original, path));
    const QByteArray first = readFile(path);
    QCOMPARE(CheckTemplateFile(path), TemplateCheck::Valid);

    Template back;
    QVERIFY(ReadTemplate(path, back));
    // Reading puts the mappings of a mode in button-number order.
    Template expected = original;
    for (QList<ButtonMapping>& mode : expected.Mappings)
        std::stable_sort(mode.begin(), mode.end(),
                         [](const auto& a, const auto& b) { return a.ButtonId < b.ButtonId; });
    QCOMPARE(back, expected);

    QVERIFY(WriteTemplate(back, path));
    QCOMPARE(entries(readFile(path)), entries(first));
}

void tst_TemplateFile::numberingIsTextOrder()
{
    Template t;
    t.Mappings[0] = {mapping("257", "first", false, {"a"}), mapping("1028", "", false, {"b"}),
                     mapping("257", "again", true, {"", "c"})};
    t.Mappings[1] = {mapping("514", "", false, {"d"})};
    t.ModeSwitchButton = QStringLiteral("257"); // also mapped: keeps its first number
    const QString path = dir_.filePath(QStringLiteral("numbers.joy"));
    QVERIFY(WriteTemplate(t, path));

    ProfileFile file;
    QCOMPARE(file.load(path), ProfileFile::LoadStatus::Loaded);
    QStringList mapped;
    for (int n = 1; n <= 5; ++n)
        mapped << file.readString("MAPPING", QStringLiteral("BUTTON%1").arg(n), "-");
    QCOMPARE(mapped, (QStringList{"1028", "257", "514", "257", "-"}));
    QCOMPARE(file.readString("GLOBAL", "BUTTONS", ""), QStringLiteral("4"));
    QCOMPARE(file.readString("MODE2", "BUTTON3_1", ""), QStringLiteral("68"));
    // A second mapping of one button in one mode is dropped, not blended in.
    QCOMPARE(file.readString("MODE1", "BUTTON2_DESC", ""), QStringLiteral("first"));
    QCOMPARE(file.readString("MODE1", "BUTTON2_2", "absent"), QStringLiteral("absent"));

    Template back;
    QVERIFY(ReadTemplate(path, back));
    QCOMPARE(editorField(back, "mode1"), QStringLiteral("1028:b,,,,, 257:a,,,,,"));
}

void tst_TemplateFile::check_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<TemplateCheck>("result");

    QTest::newRow("no GLOBAL") << QByteArray("[OTHER]\nMODE_SWITCH_BUTTON=\n")
                               << TemplateCheck::NotATemplate;
    QTest::newRow("switch button ERROR")
        << QByteArray("[GLOBAL]\nMODE_SWITCH_BUTTON=ERROR\nMODE1NAME=x\n")
        << TemplateCheck::NotATemplate;
    QTest::newRow("validity first")
        << QByteArray("[GLOBAL]\nMODE1NAME=x\n") << TemplateCheck::NotATemplate;
    QTest::newRow("earlier version")
        << QByteArray("[GLOBAL]\nMODE_SWITCH_BUTTON=4\nMODES=1\n") << TemplateCheck::EarlierVersion;
    QTest::newRow("empty values present")
        << QByteArray("[global]\nmode_switch_button=\nmode1name=\n") << TemplateCheck::Valid;
}

void tst_TemplateFile::check()
{
    QFETCH(QByteArray, file);
    const QString path = dir_.filePath(QStringLiteral("check.joy"));
    writeFile(path, file);
    QTEST(CheckTemplateFile(path), "result");
    QCOMPARE(CheckTemplateFile(dir_.filePath(QStringLiteral("missing.joy"))),
             TemplateCheck::NotATemplate);
    QCOMPARE(TemplateCheckMessage(TemplateCheck::NotATemplate),
             QStringLiteral("This is not a valid joystick template file"));
    QCOMPARE(TemplateCheckMessage(TemplateCheck::EarlierVersion),
             QStringLiteral("This template file is from an earlier version of The Corvane. "
                            "Unfortunately, this template is not compatible with the current "
                            "version. I do apologise for this, but due to the enhanced "
                            "capabilities of this newer version, it was unavoidable."));
}

void tst_TemplateFile::handEditedFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("view"); // "editor" or "runtime"
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");

    QTest::newRow("0x41 is 65") << handEdited("", "BUTTON1_COUNT=1\nBUTTON1_1=0x41\n") << "runtime"
                                << "mode1button1"
                                << "1 - 65 0 0 0 0 0";
    QTest::newRow("modifier names ignore case")
        << handEdited("", "BUTTON1_COUNT=2\nBUTTON1_2_cTrL=1\nbutton1_2_ALT=5\nBUTTON1_2=9\n")
        << "runtime"
        << "mode1button1"
        << "2 - 0 ca9 0 0 0 0";
    QTest::newRow("key code low 8 bits")
        << handEdited("", "BUTTON1_COUNT=1\nBUTTON1_1=321\n") << "runtime"
        << "mode1button1"
        << "1 - 65 0 0 0 0 0";
    QTest::newRow("count clamped")
        << handEdited("", "BUTTON1_COUNT=99\nBUTTON1_REPEAT=1\n") << "runtime"
        << "mode1button1"
        << "6 R 0 0 0 0 0 0";
    QTest::newRow("negative count") << handEdited("", "BUTTON1_COUNT=-4\n") << "runtime"
                                    << "mode1button1"
                                    << "0 - 0 0 0 0 0 0";
    QTest::newRow("modes and buttons clamped")
        << QByteArray("[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=\nMODES=$7F\nBUTTONS=40\n")
        << "runtime"
        << "counts"
        << "5 32";
    QTest::newRow("negative counts")
        << QByteArray("[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=\nMODES=-1\nBUTTONS=-3\n"
                      "[MAPPING]\nBUTTON1=257\n[MODE1]\nBUTTON1_COUNT=1\nBUTTON1_1=65\n")
        << "runtime"
        << "counts"
        << "0 0";
    QTest::newRow("first MODES/BUTTONS wins") << handEdited("MODES=-1\nBUTTONS=-3\n") << "runtime"
                                              << "counts"
                                              << "1 1";
    QTest::newRow("empty switch button present") << handEdited("MODE_SWITCH_KEY=\n") << "runtime"
                                                 << "switch"
                                                 << "-9999 -9998";
    QTest::newRow("switch key kept whole") << handEdited("MODE_SWITCH_KEY=368\n") << "runtime"
                                           << "switch"
                                           << "-9999 368";
    QTest::newRow("empty mode name")
        << QByteArray("[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=\n") << "runtime"
        << "modeName1"
        << "Mode 1";
    QTest::newRow("Windows-1252 mode name")
        << QByteArray("[GLOBAL]\r\nMODE_SWITCH_BUTTON=\r\n"
                      "MODE1NAME=Vol \xE9lev\xE9\r\n")
        << "editor"
        << "modeName1" << QString::fromUtf8("Vol \xC3\xA9lev\xC3\xA9");
    QTest::newRow("Windows-1252 runtime")
        << QByteArray("[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=\xE9t\xE9\n") << "runtime"
        << "modeName1" << QString::fromUtf8("\xC3\xA9t\xC3\xA9");
    QTest::newRow("description with commas")
        << QByteArray("[IDENTIFIED BUTTONS]\nNUMBER=1\n1=257,Fire, big, red\n") + handEdited("")
        << "editor"
        << "identified1"
        << "257|Fire, big, red";
    QTest::newRow("description cut to 255")
        << QByteArray("[IDENTIFIED BUTTONS]\nNUMBER=1\n1=7," + QByteArray(300, 'd') + "\n") +
               handEdited("")
        << "editor"
        << "identified1"
        << "7|" + QString(255, u'd');
    QTest::newRow("huge NUMBER") << QByteArray("[IDENTIFIED BUTTONS]\nNUMBER=2000000000\n1=7,x\n") +
                                        handEdited("")
                                 << "editor"
                                 << "identifiedCount"
                                 << "1";
    QTest::newRow("NUMBER within the keys")
        << QByteArray("[IDENTIFIED BUTTONS]\nNUMBER=2\n1=7,x\n2=8,y\n") + handEdited("") << "editor"
        << "identifiedCount"
        << "2";
    QTest::newRow("editor slots")
        << handEdited("", "BUTTON1_COUNT=4\nBUTTON1_1=219\nBUTTON1_1_Shift=1\nBUTTON1_2=\n"
                          "BUTTON1_3=91\nBUTTON1_3_Alt=1\nBUTTON1_4=0\n")
        << "editor"
        << "mode1"
        << "257:Shift + [ ,,,[NONE],,";
    QTest::newRow("ERROR counts as missing") << handEdited("", "BUTTON1_COUNT=ERROR\n") << "editor"
                                             << "mode1"
                                             << "";
    QTest::newRow("switch key name") << handEdited("MODE_SWITCH_KEY=121\n") << "editor"
                                     << "switchKey"
                                     << "F10";
    QTest::newRow("grid position off the grid")
        << handEdited("FORECOLOUR=16\nBACKCOLOUR=-1\nRESPONSE=9\n") << "editor"
        << "colours"
        << "0 7 0 12632256";
    QTest::newRow("response below 0") << handEdited("RESPONSE=-2\n") << "editor"
                                      << "response"
                                      << "3";
    QTest::newRow("response above 6") << handEdited("RESPONSE=9\n") << "editor"
                                      << "response"
                                      << "3";
    QTest::newRow("repeated and empty mapped ButtonIds")
        << QByteArray("[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=One\n[MAPPING]\nBUTTON1=257\n"
                      "BUTTON2=257\nBUTTON4=\nBUTTON5=514\n[MODE1]\nBUTTON1_COUNT=1\nBUTTON1_1=65\n"
                      "BUTTON2_COUNT=1\nBUTTON2_1=66\nBUTTON3_COUNT=1\nBUTTON3_1=67\n"
                      "BUTTON4_COUNT=1\nBUTTON4_1=68\nBUTTON5_COUNT=1\nBUTTON5_1=69\n")
        << "editor"
        << "mode1"
        << "257:a,,,,, 514:e,,,,,";
    QTest::newRow("repeated and empty identified ButtonIds")
        << QByteArray("[IDENTIFIED BUTTONS]\nNUMBER=4\n1=,nothing\n2=7,x\n3=7,y\n4=8,z\n") +
               handEdited("")
        << "editor"
        << "identifiedCount"
        << "2";
    QTest::newRow("font name cut")
        << handEdited("FONTNAME=" + QByteArray(400, 'f') + "\nFONTBOLD=2\nFONTSIZE=$c\n")
        << "runtime"
        << "font"
        << "255 12 1 0";
}

void tst_TemplateFile::handEditedFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, view);
    QFETCH(QString, field);
    const QString path = dir_.filePath(QStringLiteral("hand.joy"));
    writeFile(path, file);
    QCOMPARE(CheckTemplateFile(path), TemplateCheck::Valid);
    if (view == u"editor") {
        Template t;
        QVERIFY(ReadTemplate(path, t));
        QTEST(editorField(t, field), "expected");
    } else {
        RuntimeTemplate t;
        QVERIFY(ReadRuntimeTemplate(path, t).Loaded);
        QTEST(runtimeField(t, field), "expected");
    }
}

void tst_TemplateFile::unknownColourIsReported()
{
    RuntimeTemplate t;
    const RuntimeReadResult result = ReadRuntimeTemplate(
        ProfileFile::fromBytes(handEdited("BACKCOLOURS=clPink\nFORECOLOURS=clred\n",
                                          "BUTTON1_COUNT=1\nBUTTON1_1=65\n")),
        t);
    QCOMPARE(result.ColourErrors.size(), 1);
    QCOMPARE(result.ColourErrors[0].Key, QStringLiteral("BACKCOLOURS"));
    QCOMPARE(result.ColourErrors[0].Text, QStringLiteral("clPink"));
    QVERIFY(result.ColourErrors[0].message().contains(QStringLiteral("clPink")));
    QVERIFY(result.ColourErrors[0].message().contains(QStringLiteral("BACKCOLOURS")));
    // The bad colour keeps its default; everything after it is still read.
    QCOMPARE(runtimeField(t, "colours"), QStringLiteral("clred clBtnFace"));
    QCOMPARE(t.Mappings[0][0].Keys[0].VirtualKey, 65);
    QCOMPARE(t.ModeNames[0], QStringLiteral("One"));
}

void tst_TemplateFile::buttonLimit_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<bool>("switchButton");
    QTest::addColumn<QString>("error");

    QTest::newRow("32 fit") << 32 << false << "";
    QTest::newRow("33 refused") << 33 << false
                                << "use 33 different buttons, but a template holds at most 32.";
    QTest::newRow("31 and switch fit") << 31 << true << "";
    QTest::newRow("32 and switch refused")
        << 32 << true << "use 32 different buttons, but a template holds at most 31 besides";
}

void tst_TemplateFile::buttonLimit()
{
    QFETCH(int, buttons);
    QFETCH(bool, switchButton);
    QFETCH(QString, error);
    Template t;
    for (int i = 0; i < buttons; ++i)
        t.Mappings[i % 5].append(mapping(QString::number(1000 + i), "", false, {"a"}));
    if (switchButton)
        t.ModeSwitchButton = QStringLiteral("2");
    const QString path = dir_.filePath(QStringLiteral("limit.joy"));
    writeFile(path, "[KEEP]\nA=1\n");

    QString message;
    QCOMPARE(WriteTemplate(t, path, &message), error.isEmpty());
    QVERIFY2(message.contains(error), qPrintable(message));
    if (error.isEmpty()) {
        RuntimeTemplate r;
        ReadRuntimeTemplate(path, r);
        QCOMPARE(r.ButtonCount, buttons + (switchButton ? 1 : 0));
    } else {
        QCOMPARE(readFile(path), QByteArray("[KEEP]\nA=1\n"));
    }
}

void tst_TemplateFile::failedSave_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("read-only folder") << "read-only";
    QTest::newRow("folder in place of the file") << "folder";
    QTest::newRow("parent is a file") << "parent";
}

void tst_TemplateFile::failedSave()
{
    QFETCH(QString, how);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("old.joy"));
    const QByteArray old = "[GLOBAL]\r\nMODE_SWITCH_BUTTON=\r\nMODE1NAME=Old\r\n";
    writeFile(path, old);
    bool immutable = false;
    const auto release = [&] {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), dir.path()});
        immutable = false;
    };
    const auto cleanup = qScopeGuard(release);

    if (how == u"read-only") {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        // Permissions do not stop root; the immutable flag does, where allowed.
        if (geteuid() == 0) {
            immutable = QProcess::execute(QStringLiteral("chattr"),
                                          {QStringLiteral("+i"), dir.path()}) == 0;
            if (!immutable)
                QSKIP("running as root without the right to make a folder immutable");
        }
    } else if (how == u"folder") {
        path = dir.filePath(QStringLiteral("folder.joy"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.joy")));
    } else {
        path = dir.filePath(QStringLiteral("old.joy/inside.joy"));
    }

    QString error;
    QVERIFY(!WriteTemplate(flightGame(), path, &error));
    QCOMPARE(error, QStringLiteral("Unable to write to %1").arg(path));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("old.joy"))), old);
    // No temporary file is left behind.
    release();
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(),
             how == u"folder" ? 2 : 1);
}

void tst_TemplateFile::foreignSectionSurvives()
{
    const QString path = dir_.filePath(QStringLiteral("foreign.joy"));
    writeFile(path,
              "; notes\r\n[MY TOOL]\r\nlast=flight\r\n[global]\r\nMODE1NAME=Old\r\nEXTRA=1\r\n"
              "[MODE4]\r\nBUTTON1_COUNT=1\r\n[ZZZ]\r\nz=1\r\n");
    QVERIFY(WriteTemplate(flightGame(), path));
    const QByteArray bytes = readFile(path);
    QVERIFY(bytes.startsWith("; notes\r\n[MY TOOL]\r\nlast=flight\r\n[ZZZ]\r\nz=1\r\n"
                             "[IDENTIFIED BUTTONS]\r\nNUMBER=3\r\n"));
    QVERIFY(!bytes.contains("EXTRA") && !bytes.contains("[MODE4]"));
    Template back;
    QVERIFY(ReadTemplate(path, back));
    QCOMPARE(back, flightGame());
}

QTEST_GUILESS_MAIN(tst_TemplateFile)
#include "tst_TemplateFile.moc"
