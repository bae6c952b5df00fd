#include "platform/fake/FakeJoystick.h"
#include "runtime/ButtonWatch.h"

#include <QTextStream>
#include <QtTest>

using namespace corv;

class TestButtonWatch : public QObject
{
    Q_OBJECT

private slots:
    void inputNames_data();
    void inputNames();
};

void TestButtonWatch::inputNames_data()
{
    // "b1" button 1 down, "-b1" up, "h3" the hat's bits, "a2:-20000" axis
    // 2's value, "w80" a pause in ms; the lines without "corvplay: input ".
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("lines");
    QTest::newRow("chords within the window")
        << "b1 b2 w80 -b1 -b2 b2 w80 h3 w80 h1 h9 w80 h0 h8 w80"
        << "B1+B2 B2 HAT_UP+HAT_RIGHT HAT_LEFT HAT_LEFT";
    // 61 %, then 45 % (still pushed: 10 points of hysteresis), 30 % lets go.
    QTest::newRow("stick, hysteresis")
        << "a2:-20000 w80 a2:-15000 a2:-20000 w80 a2:-10000 a2:-20000 w80 a2:20000 w80"
        << "AXIS2_NEG AXIS2_NEG AXIS2_POS";
    // Axis 6 rests at -32768: halfway is 0, and it has no negative side.
    QTest::newRow("trigger from its rest") << "a6:-1000 w80 a6:0 w80 a6:-32768 w80"
                                           << "AXIS6_POS";
}

// The names go to their own stream; tst_corvplay_help checks standard output.
void TestButtonWatch::inputNames()
{
    QFETCH(QString, events);
    FakeJoystick joystick;
    joystick.rests[5] = -32768;
    QString out, inputs;
    QTextStream outStream(&out), inputStream(&inputs);
    ButtonWatch watch(&joystick, outStream, inputStream);
    QVERIFY(watch.Start() && joystick.eventsWanted);
    for (const QString& event : events.split(u' ')) {
        const QString word = event.startsWith(u'-') ? event.mid(1) : event;
        const int value = word.mid(1).section(u':', -1).toInt();
        if (word[0] == u'b')
            joystick.button(value, word == event);
        else if (word[0] == u'h')
            joystick.hat(value);
        else if (word[0] == u'a')
            joystick.axis(word.mid(1).section(u':', 0, 0).toInt(), value);
        else
            QTest::qWait(value);
    }
    inputs.replace(QStringLiteral("corvplay: input "), QString());
    QTEST(inputs.split(u'\n', Qt::SkipEmptyParts).join(u' '), "lines");
}

QTEST_GUILESS_MAIN(TestButtonWatch)
#include "tst_ButtonWatch.moc"
