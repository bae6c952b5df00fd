#include "TemplateReport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using namespace corv;

class TestTemplateReport : public QObject
{
    Q_OBJECT

private slots:
    void flightExample();
    void statuses_data();
    void statuses();
};

void TestTemplateReport::flightExample()
{
    const QString path = qEnvironmentVariable("CORV_SOURCE_DIR") + "/examples/flight.joy";
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    QCOMPARE(TemplateReport::Run(path, outStream, errStream), TemplateReport::Valid);
    QVERIFY(err.isEmpty());
    QStringList lines = out.split(u'\n');
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
        << "";
}

void TestTemplateReport::statuses()
{
    QFETCH(QByteArray, content);
    QFETCH(int, status);
    QFETCH(QString, inOut);
    QFETCH(QString, inErr);

    QTemporaryDir dir;
    const QString path = dir.filePath("t.joy");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();

    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    QCOMPARE(int(TemplateReport::Run(path, outStream, errStream)), status);
    QVERIFY2(out.contains(inOut), qPrintable(out));
    QVERIFY2(err.contains(inErr), qPrintable(err));
    if (inErr.isEmpty())
        QVERIFY(err.isEmpty());
}

QTEST_MAIN(TestTemplateReport)
#include "tst_TemplateReport.moc"
