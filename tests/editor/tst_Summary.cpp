#include "editor/Summary.h"
#include "template/Template.h"

#include <QTest>

using namespace corv;
using namespace corv::editor;

namespace
{

ButtonMapping mapping(const QString& id, const QString& purpose, bool repeat = false)
{
    return ButtonMapping{id, purpose, repeat, {QStringLiteral("a")}};
}

// The lines every summary ends with for a default digital template.
const QStringList settingsLines{"Responsivness:\tNormal", "Device Type:\tDigital", ""};

} // namespace

class tst_Summary : public QObject
{
    Q_OBJECT
private slots:
    void flightExample();
    void identifiedButNothingMapped();
    void mappingLines();
    void switchLinesUseCurrentDescriptions();
    void keyLines_data();
    void keyLines();
};

void tst_Summary::flightExample()
{
    Template t;
    t.Description = QStringLiteral("Flight");
    t.IdentifiedButtons = {{"1", "Trigger"}, {"4", "Top"}, {"8", "Hat"}};
    t.ModeNames[2] = QStringLiteral("Landing");
    t.Mappings[0] = {mapping("1", "Fire guns", true), mapping("4", "Gear")};
    t.Mappings[2] = {mapping("4", "Flaps")};
    t.ModeSwitchButton = QStringLiteral("8");

    const QStringList expected{"Flight",
                               "",
                               "",
                               "Mode 1 Name: Mode 1:",
                               "",
                               "Trigger\tFire guns  -  REPEAT",
                               "Top\tGear",
                               "",
                               "",
                               "Mode 2 Name: Mode 2:",
                               "",
                               "",
                               "",
                               "Mode 3 Name: Landing:",
                               "",
                               "Top\tFlaps",
                               "",
                               "",
                               "Mode Switch Button:\tHat",
                               "Responsivness:\tNormal",
                               "Device Type:\tDigital",
                               "",
                               "FILENAME:",
                               "/home/pilot/T/F.joy",
                               ""};
    QCOMPARE(BuildSummaryLines(t, QStringLiteral("/home/pilot/T/F.joy")), expected);
}

void tst_Summary::identifiedButNothingMapped()
{
    Template t;
    t.IdentifiedButtons = {{"1", "Trigger"}};
    t.DigitalDevice = false;
    // Unsaved: no FILENAME block.
    QCOMPARE(BuildSummaryLines(t, QString()),
             QStringList({"", "", "", "Responsivness:\tNormal", "Device Type:\tAnalogue", ""}));
    t.DigitalDevice = true;
    t.SetSeparateInputs(true);
    QCOMPARE(BuildSummaryLines(t, QString()).at(4), QStringLiteral("Device Type:\tGamepad"));
}

void tst_Summary::mappingLines()
{
    Template t;
    t.IdentifiedButtons = {{"1", "Trigger"}, {"2", "Thumb"}};
    // An empty mode name shows as the mode list shows it; a ButtonId that is
    // not identified has an empty description.
    t.ModeNames[0] = QString();
    t.Mappings[0] = {mapping("1", ""), mapping("2", "", true), mapping("-2147483648", "Eject")};
    QCOMPARE(BuildSummaryLines(t, QString()),
             QStringList({"", "", "", "Mode 1 Name: Mode 1:", "", "Trigger\t", "Thumb\t  -  REPEAT",
                          "\tEject", "", ""}) +
                 settingsLines);
}

void tst_Summary::switchLinesUseCurrentDescriptions()
{
    Template t;
    t.IdentifiedButtons = {{"8", "Hat"}};
    t.ModeSwitchButton = QStringLiteral("8");
    t.ModeSwitchKey = QStringLiteral("Ctrl + F10");
    t.IdentifiedButtons[0].Description = QStringLiteral("Hat renamed");
    QCOMPARE(BuildSummaryLines(t, QString()).mid(3, 2),
             QStringList({"Mode Switch Button:\tHat renamed", "Mode Switch Key:\tCtrl + F10"}));

    t.ModeSwitchButton = QStringLiteral("16"); // not identified
    QCOMPARE(BuildSummaryLines(t, QString()).at(3), QStringLiteral("Mode Switch Button:\t"));
}

// One mapping: "ButtonId|keys, comma-separated|EXTRA=value;...".
void tst_Summary::keyLines_data()
{
    QTest::addColumn<QStringList>("mode1");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("nothing mapped") << QStringList{} << QStringList{};
    QTest::newRow("by number, repeat and characters")
        << QStringList{"16|Ctrl + a,x|1_CHAR=U+00E9;RATE=120", "2|F1|", "4|b|REPEAT"}
        << QStringList{"Keys:",         "", "Mode 1: Walk", "Two\tF1", "Four\tb  -  REPEAT",
                       "Sixteen\té, x", ""};
    QTest::newRow("gamepad inputs, chords and actions")
        << QStringList{"B3|Space|ACTION=TURBO;RATE=100;PRESS_MS=30", "AXIS1_NEG|Left|ACTION=hold",
                       "B1+B2|Esc|GAP_MS=20", "B1||TEXT=#pray\\n", "B6||ACTION=LAYER;MODE=2"}
        << QStringList{"Keys:",
                       "",
                       "Mode 1: Walk",
                       "\t\"#pray\\n\"",
                       "\tEsc  -  (20 ms between keys)",
                       "\tSpace  -  TURBO every 100 ms (keys down 30 ms)",
                       "\t  -  LAYER 2",
                       "\tLeft  -  HOLD",
                       ""};
}

void tst_Summary::keyLines()
{
    QFETCH(QStringList, mode1);
    QFETCH(QStringList, expected);
    Template t;
    t.ModeNames[0] = QStringLiteral("Walk");
    t.IdentifiedButtons = {{"2", "Two"}, {"4", "Four"}, {"16", "Sixteen"}};
    for (const QString& spec : mode1) {
        const QStringList parts = spec.split(u'|');
        ButtonMapping m{parts[0], QStringLiteral("purpose"), parts[2] == u"REPEAT", {}};
        const QStringList keys = parts[1].split(u',', Qt::SkipEmptyParts);
        for (qsizetype k = 0; k < keys.size(); ++k)
            m.Keystrokes[size_t(k)] = keys[k];
        for (const QString& e : parts[2].split(u';', Qt::SkipEmptyParts)) {
            if (e != u"REPEAT")
                m.Extras.append({e.section(u'=', 0, 0), e.section(u'=', 1)});
        }
        t.Mappings[0] << m;
    }
    QCOMPARE(BuildKeyLines(t), expected);
}

QTEST_GUILESS_MAIN(tst_Summary)
#include "tst_Summary.moc"
