#include "template/KeyTable.h"

#include <QSet>
#include <QTest>

using namespace corv;

class tst_KeyTable : public QObject
{
    Q_OBJECT
private slots:
    void keystrokeToKeyCode_data();
    void keystrokeToKeyCode();
    void keyCodeToKeyName_data();
    void keyCodeToKeyName();
    void tableShape();
    void namedRows_data();
    void namedRows();
    void ruleRows_data();
    void ruleRows();
    void composedKeystrokesConvertBack();
};

void tst_KeyTable::keystrokeToKeyCode_data()
{
    QTest::addColumn<QString>("keystroke");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<bool>("alt");

    QTest::newRow("all modifiers") << "Ctrl + Shift + Alt + a"
                                   << "65" << true << true << true;
    QTest::newRow("plain letter") << "a"
                                  << "65" << false << false << false;
    QTest::newRow("Alt is a key") << "Alt"
                                  << "18" << false << false << false;
    QTest::newRow("Ctrl with key Alt") << "Ctrl + Alt"
                                       << "18" << true << false << false;
    QTest::newRow("Alt with key Alt") << "Alt + Alt"
                                      << "18" << false << false << true;
    QTest::newRow("Ctrl with key Shift") << "Ctrl + Shift"
                                         << "16" << true << false << false;
    QTest::newRow("plus inside name") << "Numpad +"
                                      << "107" << false << false << false;
    QTest::newRow("shifted Numpad +") << "Shift + Numpad +"
                                      << "107" << false << true << false;
    QTest::newRow("bracket with blank") << "[ "
                                        << "219" << false << false << false;
    QTest::newRow("bracket alone") << "["
                                   << "" << false << false << false;
    QTest::newRow("capital letter") << "A"
                                    << "" << false << false << false;
    QTest::newRow("backslash") << "\\"
                               << "220" << false << false << false;
    QTest::newRow("Alt + F4") << "Alt + F4"
                              << "115" << false << false << true;
    QTest::newRow("NONE row") << "[NONE]"
                              << "0" << false << false << false;
    QTest::newRow("empty") << ""
                           << "" << false << false << false;
}

void tst_KeyTable::keystrokeToKeyCode()
{
    QFETCH(QString, keystroke);
    QFETCH(QString, code);
    QCOMPARE(KeystrokeToKeyCode(keystroke), code);
    QTEST(HasCtrl(keystroke), "ctrl");
    QTEST(HasShift(keystroke), "shift");
    QTEST(HasAlt(keystroke), "alt");
}

void tst_KeyTable::keyCodeToKeyName_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");

    QTest::newRow("bracket keeps its blank") << "219"
                                             << "[ ";
    QTest::newRow("not in table") << "91"
                                  << "";
    QTest::newRow("leading zero") << "065"
                                  << "";
    QTest::newRow("zero is NONE") << "0"
                                  << "[NONE]";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("Numpad /") << "111"
                              << "Numpad /";
    QTest::newRow("F12") << "123"
                         << "F12";
    QTest::newRow("tilde") << "192"
                           << "` Tilde";
    QTest::newRow("hex is not a code") << "0x41"
                                       << "";
}

void tst_KeyTable::keyCodeToKeyName()
{
    QFETCH(QString, code);
    QTEST(KeyCodeToKeyName(code), "name");
}

void tst_KeyTable::tableShape()
{
    QCOMPARE(KeyTable.size(), size_t(96));
    QCOMPARE(QString::fromLatin1(KeyTable[0].Name), QStringLiteral("[NONE]"));
    QCOMPARE(KeyTable[0].Code, 0);
    // The keypad operators are listed plus, divide, multiply, minus.
    QCOMPARE(QString::fromLatin1(KeyTable[59].Name), QStringLiteral("Numpad +"));
    QCOMPARE(QString::fromLatin1(KeyTable[62].Name), QStringLiteral("Numpad -"));
    QCOMPARE(QString::fromLatin1(KeyTable[95].Name), QStringLiteral("Tab"));
    QSet<QString> names;
    QSet<int> codes;
    for (const KeyTableRow& row : KeyTable) {
        names.insert(QString::fromLatin1(row.Name));
        codes.insert(row.Code);
        QVERIFY(row.Code >= 0 && row.Code <= 255);
    }
    QCOMPARE(names.size(), 96);
    QCOMPARE(codes.size(), 96);
}

void tst_KeyTable::namedRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");

    QTest::newRow("59 Numpad +") << 59 << QStringLiteral("Numpad +") << 107;
    QTest::newRow("60 Numpad /") << 60 << QStringLiteral("Numpad /") << 111;
    QTest::newRow("61 Numpad *") << 61 << QStringLiteral("Numpad *") << 106;
    QTest::newRow("62 Numpad -") << 62 << QStringLiteral("Numpad -") << 109;
    QTest::newRow("63 - Minus") << 63 << QStringLiteral("- Minus") << 189;
    QTest::newRow("64 = Equals") << 64 << QStringLiteral("= Equals") << 187;
    QTest::newRow("65 , Comma") << 65 << QStringLiteral(", Comma") << 188;
    QTest::newRow("66 . Full Stop") << 66 << QStringLiteral(". Full Stop") << 190;
    QTest::newRow("67 ; Semi Colon") << 67 << QStringLiteral("; Semi Colon") << 186;
    QTest::newRow("68 ' Single Quote") << 68 << QStringLiteral("' Single Quote") << 222;
    QTest::newRow("69 ` Tilde") << 69 << QStringLiteral("` Tilde") << 192;
    QTest::newRow("70 /") << 70 << QStringLiteral("/") << 191;
    QTest::newRow("71 \\") << 71 << QStringLiteral("\\") << 220;
    QTest::newRow("72 [ ") << 72 << QStringLiteral("[ ") << 219;
    QTest::newRow("73 ]") << 73 << QStringLiteral("]") << 221;
    QTest::newRow("74 Alt") << 74 << QStringLiteral("Alt") << 18;
    QTest::newRow("75 Arrow Up") << 75 << QStringLiteral("Arrow Up") << 38;
    QTest::newRow("76 Arrow Down") << 76 << QStringLiteral("Arrow Down") << 40;
    QTest::newRow("77 Arrow Left") << 77 << QStringLiteral("Arrow Left") << 37;
    QTest::newRow("78 Arrow Right") << 78 << QStringLiteral("Arrow Right") << 39;
    QTest::newRow("79 Back Space") << 79 << QStringLiteral("Back Space") << 8;
    QTest::newRow("80 Caps Lock") << 80 << QStringLiteral("Caps Lock") << 20;
    QTest::newRow("81 Ctrl") << 81 << QStringLiteral("Ctrl") << 17;
    QTest::newRow("82 Delete") << 82 << QStringLiteral("Delete") << 46;
    QTest::newRow("83 End") << 83 << QStringLiteral("End") << 35;
    QTest::newRow("84 Enter") << 84 << QStringLiteral("Enter") << 13;
    QTest::newRow("85 Esc") << 85 << QStringLiteral("Esc") << 27;
    QTest::newRow("86 Home") << 86 << QStringLiteral("Home") << 36;
    QTest::newRow("87 Insert") << 87 << QStringLiteral("Insert") << 45;
    QTest::newRow("88 Num Lock") << 88 << QStringLiteral("Num Lock") << 144;
    QTest::newRow("89 Page Up") << 89 << QStringLiteral("Page Up") << 33;
    QTest::newRow("90 Page Down") << 90 << QStringLiteral("Page Down") << 34;
    QTest::newRow("91 Pause") << 91 << QStringLiteral("Pause") << 19;
    QTest::newRow("92 Scroll Lock") << 92 << QStringLiteral("Scroll Lock") << 145;
    QTest::newRow("93 Shift") << 93 << QStringLiteral("Shift") << 16;
    QTest::newRow("94 Space") << 94 << QStringLiteral("Space") << 32;
    QTest::newRow("95 Tab") << 95 << QStringLiteral("Tab") << 9;
}

void tst_KeyTable::namedRows()
{
    QFETCH(int, row);
    QTEST(QString::fromLatin1(KeyTable[size_t(row)].Name), "name");
    QTEST(KeyTable[size_t(row)].Code, "code");
}

void tst_KeyTable::ruleRows_data()
{
    // Rows 1..58 are four runs of names with consecutive codes.
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("firstCode");

    QStringList digits, letters, functions, numpad;
    for (int i = 0; i < 10; ++i) {
        digits << QString(QChar(u'0' + i));
        numpad << QStringLiteral("Numpad %1").arg(i);
    }
    for (int i = 0; i < 26; ++i)
        letters << QString(QChar(u'a' + i));
    for (int i = 1; i <= 12; ++i)
        functions << QStringLiteral("F%1").arg(i);
    QTest::newRow("digits") << 1 << digits << 48;
    QTest::newRow("letters") << 11 << letters << 65;
    QTest::newRow("function keys") << 37 << functions << 112;
    QTest::newRow("numpad digits") << 49 << numpad << 96;
}

void tst_KeyTable::ruleRows()
{
    QFETCH(int, firstRow);
    QFETCH(QStringList, names);
    QFETCH(int, firstCode);
    for (int i = 0; i < names.size(); ++i) {
        const KeyTableRow& r = KeyTable[size_t(firstRow + i)];
        QCOMPARE(QString::fromLatin1(r.Name), names[i]);
        QCOMPARE(r.Code, firstCode + i);
    }
}

void tst_KeyTable::composedKeystrokesConvertBack()
{
    // Every key with every modifier set must survive text -> code and flags.
    for (size_t row = 1; row < KeyTable.size(); ++row) {
        const QString name = QString::fromLatin1(KeyTable[row].Name);
        for (int flags = 0; flags < 8; ++flags) {
            const bool ctrl = flags & 1, shift = flags & 2, alt = flags & 4;
            const QString text = ComposeKeystroke(name, ctrl, shift, alt);
            QCOMPARE(KeystrokeToKeyCode(text), QString::number(KeyTable[row].Code));
            QCOMPARE(HasCtrl(text), ctrl);
            QCOMPARE(HasShift(text), shift);
            QCOMPARE(HasAlt(text), alt);
            QCOMPARE(ComposeKeystroke(KeyCodeToKeyName(KeystrokeToKeyCode(text)), ctrl, shift, alt),
                     text);
        }
    }
}

QTEST_GUILESS_MAIN(tst_KeyTable)
#include "tst_KeyTable.moc"
