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

QTEST_GUILESS_MAIN(tst_Summary)
#include "tst_Summary.moc"
