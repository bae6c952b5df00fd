#include "engine/DispatchEngine.h"
#include "platform/fake/FakeJoystick.h"
#include "platform/fake/RecordingKeyInjector.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QtTest>

using namespace corv;

namespace
{

constexpr int VkSpace = 32, VkEscape = 27, VkA = 65, VkB = 66, VkC = 67, VkD = 68, VkE = 69,
              VkF = 70, VkQ = 81, VkR = 82, VkW = 87, VkX = 88, VkZ = 90;

Mapping keys(std::initializer_list<int> vks, MappingAction action = MappingAction::Tap,
             int mode = 0)
{
    Mapping m;
    for (int vk : vks)
        m.Keys[size_t(m.Count++)].VirtualKey = uint8_t(vk);
    m.Action = action;
    m.TargetMode = mode;
    return m;
}

// Mode 1 walks on the left stick (held), fires on the right trigger, and has
// a chord, a layer, turbo, a toggle and a mode switch; mode 2 is the layer.
RuntimeTemplate gamepad()
{
    using enum MappingAction;
    RuntimeTemplate t;
    t.SeparateInputs = true;
    t.ChordMs = 60;
    t.ModeCount = 3;
    const std::pair<const char*, Mapping> walk[] = {{"AXIS1_POS", keys({VkD}, Hold)},
                                                    {"AXIS1_NEG", keys({VkA}, Hold)},
                                                    {"AXIS2_NEG", keys({VkW}, Hold)},
                                                    {"AXIS6_POS", keys({VkSpace})},
                                                    {"B1", keys({VkE})},
                                                    {"B2", keys({VkR})},
                                                    {"B1+B2", keys({VkEscape})},
                                                    {"B6", keys({}, Layer, 2)},
                                                    {"B3", keys({VkF}, Turbo)},
                                                    {"B4", keys({VkQ}, Toggle)},
                                                    {"HAT_RIGHT", keys({VkX}, Hold)},
                                                    {"B5", keys({}, Mode, 3)},
                                                    {"B7", keys({VkD}, Hold)},
                                                    {"B8", keys({VkE, VkR})},
                                                    {"B9", keys({})}};
    for (const auto& [input, mapping] : walk) {
        t.Inputs[size_t(t.ButtonCount)] = *ParseInputs(QString::fromLatin1(input));
        t.Mappings[0][size_t(t.ButtonCount++)] = mapping;
    }
    t.Mappings[0][8].Rate = 30;
    t.Mappings[0][13].PressMs = 30;
    t.Mappings[0][13].GapMs = 20;
    t.Mappings[0][14].Text = QStringLiteral("\n"); // a text alone, as the editor saves it
    t.Mappings[1][4] = keys({VkC}, Hold);
    t.Mappings[1][0] = keys({VkB});
    t.Mappings[2][4] = keys({VkZ});
    return t;
}

// Keeps when each key event came, for the timed taps.
struct TimedKeys : RecordingKeyInjector {
    QElapsedTimer clock;
    std::vector<qint64> at;
    TimedKeys() { clock.start(); }
    void sendKey(int vk, bool down) override
    {
        RecordingKeyInjector::sendKey(vk, down);
        at.push_back(clock.elapsed());
    }
};

struct Engine {
    FakeJoystick joy;
    TimedKeys keys;
    DispatchEngine engine{&joy, &keys};

    explicit Engine(const RuntimeTemplate& t)
    {
        joy.rests[4] = joy.rests[5] = -32768; // the triggers
        QObject::connect(&engine, &DispatchEngine::ModeChanged,
                         [this](int32_t mode, const QString&) {
                             keys.at.push_back(keys.clock.elapsed());
                             keys.events.emplace_back(-mode, true);
                         });
        engine.LoadTables(t);
        engine.SetEnabled(true);
    }
    // The keys as "68+ 68-", mode changes as "m2".
    QString log() const
    {
        QStringList out;
        for (const auto& [vk, down] : keys.events)
            out << (vk < 0 ? QStringLiteral("m%1").arg(-vk)
                           : QStringLiteral("%1%2").arg(vk).arg(QChar(down ? u'+' : u'-')));
        return out.join(u' ');
    }
};

} // namespace

class tst_SeparateInputs : public QObject
{
    Q_OBJECT
private slots:
    void play_data();
    void play();
    void combinedTemplateRunsNewActions_data();
    void combinedTemplateRunsNewActions();
};

// A script of steps separated by ';': "bN down|up", "hat BITS", "axis K VALUE",
// "wait MS", "expect REGEX" (the log so far), "disable", "enable", "stop",
// "unplug" (the device went away), "spans MS…" (least times between the last
// events),
// "next" (the mode-switch hot key). The whole log must match the last column.
void tst_SeparateInputs::play_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    QTest::newRow("stick held is one down, one up")
        << "axis 1 20000; wait 40; expect 68\\+; axis 1 0"
        << "68\\+ 68-";
    QTest::newRow("a diagonal holds both keys") << "axis 1 20000; axis 2 -20000; axis 1 0; axis 2 0"
                                                << "68\\+ 87\\+ 68- 87-";
    QTest::newRow("fire while walking keeps the walk")
        << "axis 1 20000; axis 6 10000; axis 6 -32768; axis 6 10000; axis 1 0"
        << "68\\+ 32\\+ 32- 32\\+ 32- 68-";
    QTest::newRow("a trigger at rest is quiet") << "axis 6 -32768; axis 6 -20000; axis 6 -32768"
                                                << "";
    QTest::newRow("a wobble around the threshold does not chatter")
        << "axis 1 18022; axis 1 14746; axis 1 18022; axis 1 14746; axis 1 13000"
        << "68\\+ 68-";
    QTest::newRow("hat diagonal") << "hat 3; hat 1; hat 0"
                                  << "88\\+ 88-";
    QTest::newRow("chord 30 ms apart fires the chord only")
        << "b1 down; wait 30; b2 down; expect 27\\+ 27-; wait 100; b1 up; b2 up"
        << "27\\+ 27-";
    QTest::newRow("a chord member alone acts after the window")
        << "b1 down; wait 20; expect ^$; wait 100; expect 69\\+ 69-; b1 up"
        << "69\\+ 69-";
    QTest::newRow("a member let go first taps at once")
        << "b2 down; b2 up; expect 82\\+ 82-; wait 100"
        << "82\\+ 82-";
    QTest::newRow("too far apart: the members, not the chord")
        << "b1 down; wait 120; b2 down; wait 120; b1 up; b2 up"
        << "69\\+ 69- 82\\+ 82-";
    QTest::newRow("a layer returns to the mode before")
        << "b6 down; b1 down; expect m2 67\\+; b1 up; b6 up; b1 down; wait 100; b1 up"
        << "m2 67\\+ 67- m1 69\\+ 69-";
    QTest::newRow("a layer lets go of what the old mode held")
        << "axis 1 20000; b6 down; axis 1 0; b6 up"
        << "68\\+ 68- m2 m1";
    QTest::newRow("a mode action lets go and ends a timed tap")
        << "axis 1 20000; b8 down; b8 up; b5 down; b5 up; b1 down; b1 up"
        << "68\\+ 69\\+ 68- 69- m3 90\\+ 90-";
    QTest::newRow("a text alone types") << "b9 down; b9 up"
                                        << "13\\+ 13-";
    QTest::newRow("turbo taps while held") << "b3 down; wait 100; b3 up; wait 60"
                                           << "(70\\+ 70- ?){3,5}";
    QTest::newRow("toggle: down on one press, up on the next")
        << "b4 down; b4 up; expect ^81\\+$; b4 down; b4 up; b4 down"
        << "81\\+ 81- 81\\+";
    QTest::newRow("a key held twice comes up with the last")
        << "axis 1 20000; b7 down; axis 1 0; expect ^68\\+$; b7 up"
        << "68\\+ 68-";
    QTest::newRow("disable lets go, and a held input waits for a new press")
        << "axis 1 20000; disable; axis 1 0; axis 1 20000; enable; axis 1 0; axis 1 20000"
        << "68\\+ 68- 68\\+";
    QTest::newRow("unplugging ends a toggle and a turbo")
        << "b4 down; b4 up; b3 down; unplug; wait 80"
        << "81\\+ 70\\+ 70- 81-";
    QTest::newRow("the hot key lets go too") << "axis 1 20000; next"
                                             << "68\\+ 68- m2";
    QTest::newRow("stop lets go and ends a turbo") << "axis 1 20000; b3 down; stop; wait 80"
                                                   << "68\\+ 70\\+ 70- 68-";
    QTest::newRow("a timed tap plays out after a short press")
        << "b8 down; b8 up; expect ^69\\+$; wait 150; spans 30 20 30"
        << "69\\+ 69- 82\\+ 82-";
}

void tst_SeparateInputs::play()
{
    QFETCH(QString, script);
    QFETCH(QString, expected);
    Engine e(gamepad());
    auto check = [&e](const QString& pattern) {
        const QRegularExpression re(QStringLiteral("^(?:%1)$").arg(pattern));
        if (!re.match(e.log()).hasMatch())
            QFAIL(qPrintable(QStringLiteral("\"%1\" does not match \"%2\"").arg(e.log(), pattern)));
    };
    for (const QString& step : script.split(u';')) {
        const QStringList w = step.trimmed().split(u' ');
        const QString& verb = w[0];
        if (verb.startsWith(u'b'))
            e.joy.button(verb.mid(1).toInt(), w[1] == QLatin1String("down"));
        else if (verb == QLatin1String("hat"))
            e.joy.hat(w[1].toInt());
        else if (verb == QLatin1String("axis"))
            e.joy.axis(w[1].toInt(), w[2].toInt());
        else if (verb == QLatin1String("wait"))
            QTest::qWait(w[1].toInt());
        else if (verb == QLatin1String("spans")) {
            // At least these milliseconds between the last events, in order.
            const qsizetype first = qsizetype(e.keys.at.size()) - w.size();
            for (qsizetype n = 1; n < w.size() && first >= 0; ++n)
                QVERIFY2(e.keys.at[size_t(first + n)] - e.keys.at[size_t(first + n - 1)] >=
                             w[n].toInt(),
                         qPrintable(step));
            QVERIFY2(first >= 0, qPrintable(step));
        } else if (verb == QLatin1String("expect"))
            check(w.mid(1).join(u' ').remove(u'^').remove(u'$'));
        else if (verb == QLatin1String("disable") || verb == QLatin1String("enable"))
            e.engine.SetEnabled(verb == QLatin1String("enable"));
        else if (verb == QLatin1String("unplug"))
            e.joy.removed();
        else if (verb == QLatin1String("stop"))
            e.engine.Stop();
        else if (verb == QLatin1String("next"))
            e.engine.AdvanceMode();
        else
            QFAIL(qPrintable(QStringLiteral("bad step ") + step));
        if (QTest::currentTestFailed())
            return;
    }
    check(expected);
    e.engine.Stop();
    QVERIFY2(e.keys.events.empty() || !e.keys.isHeld(VkD), "a key stayed down");
}

// A combined (digital) template with the newer actions, polled: a hold
// lasts as long as its button, and a poll that found the button let go and
// pressed again counts a new press.
void tst_SeparateInputs::combinedTemplateRunsNewActions_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("polls"); // ButtonIds, '!' for pressed again, 0 for nothing
    QTest::addColumn<QString>("expected");
    QTest::newRow("hold") << int(MappingAction::Hold) << "1 1 1 0"
                          << "65+ 66+ 66- 65-";
    QTest::newRow("hold ends on another button") << int(MappingAction::Hold) << "1 1 2 0"
                                                 << "65+ 66+ 66- 65-";
    QTest::newRow("toggle") << int(MappingAction::Toggle) << "1 0 1 0"
                            << "65+ 66+ 66- 65-";
    QTest::newRow("pressed again between polls") << int(MappingAction::Tap) << "1 1! 1 0"
                                                 << "65+ 65- 66+ 66- 65+ 65- 66+ 66-";
}

void tst_SeparateInputs::combinedTemplateRunsNewActions()
{
    QFETCH(int, action);
    QFETCH(QString, polls);
    QFETCH(QString, expected);
    RuntimeTemplate t;
    t.ModeCount = 1;
    t.ButtonCount = 1;
    t.ButtonIds = {1};
    t.Mappings[0][0] = keys({VkA, VkB}, MappingAction(action));
    t.Mappings[0][0].GapMs = action == int(MappingAction::Tap) ? 0 : 5; // not plain
    t.Mappings[0][0].Rate = 100;
    FakeJoystick joy;
    RecordingKeyInjector rec;
    DispatchEngine engine(&joy, &rec);
    engine.LoadTables(t);
    engine.SetEnabled(true);
    for (const QString& poll : polls.split(u' ')) {
        joy.state.dwButtons = QString(poll).remove(u'!').toUInt();
        joy.state.pressedAgain = poll.endsWith(u'!');
        engine.Tick();
    }
    QCOMPARE(rec.text(), expected);
}

QTEST_GUILESS_MAIN(tst_SeparateInputs)
#include "tst_SeparateInputs.moc"
