#include "template/Colour.h"

#include <QTest>

using namespace corv;

using System = ColourValue::System;

class tst_Colour : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void textOfValue_data();
    void textOfValue();
    void gridColoursParseBack();
};

void tst_Colour::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<uint>("value");
    QTest::addColumn<int>("system");

    const int none = int(System::None);
    QTest::newRow("name") << "clRed" << true << 0x0000FFu << none;
    QTest::newRow("name any case") << "CLaqua" << true << 0xFFFF00u << none;
    QTest::newRow("silver") << "clSilver" << true << 0xC0C0C0u << none;
    QTest::newRow("button face") << "clbtnface" << true << 0u << int(System::BtnFace);
    QTest::newRow("window text") << "clWindowText" << true << 0u << int(System::WindowText);
    QTest::newRow("dollar hex") << "$00FF0000" << true << 0xFF0000u << none;
    QTest::newRow("decimal") << "255" << true << 255u << none;
    QTest::newRow("unknown name") << "clPink" << false << 0u << none;
    QTest::newRow("empty") << "" << false << 0u << none;
    QTest::newRow("top byte set") << "$80000005" << false << 0u << none;
    QTest::newRow("negative") << "-1" << false << 0u << none;
    QTest::newRow("trailing junk") << "12px" << false << 0u << none;
}

void tst_Colour::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    const auto colour = ParseColourText(text);
    QCOMPARE(colour.has_value(), valid);
    if (valid) {
        QTEST(uint(colour->Value), "value");
        QTEST(int(colour->SystemColour), "system");
    }
}

void tst_Colour::textOfValue_data()
{
    QTest::addColumn<uint>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("named") << 0xC0C0C0u << "clSilver";
    QTest::newRow("black") << 0u << "clBlack";
    QTest::newRow("unnamed") << 0x12AB56u << "$0012AB56";
}

void tst_Colour::textOfValue()
{
    QFETCH(uint, value);
    QTEST(ColourToText(value), "text");
    QCOMPARE(ParseColourText(ColourToText(value))->Value, value);
}

void tst_Colour::gridColoursParseBack()
{
    for (int i = 0; i < ColourGridSize; ++i) {
        const auto colour = ParseColourText(GridColourName(i));
        QVERIFY(colour);
        QCOMPARE(colour->Value, GridColour(i));
        QCOMPARE(ColourToText(GridColour(i)), GridColourName(i));
    }
    QCOMPARE(GridColourName(7), QStringLiteral("clSilver"));
    QCOMPARE(GridColourName(8), QStringLiteral("clGray"));
    QVERIFY(GridColourName(16).isEmpty());
}

QTEST_GUILESS_MAIN(tst_Colour)
#include "tst_Colour.moc"
