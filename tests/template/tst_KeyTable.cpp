#include "KeyTable.h"

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
