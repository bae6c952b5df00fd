// What the Buttons page saves is what corvplay plays: each action, and a
// chord, given to a gamepad template's button on the page, saved, and played
// by the real player's dry run on a scripted joystick.
#include "CorvplayProcess.h"
#include "EditorTest.h"

#include <QSpinBox>

using namespace corv::test;

namespace
{
// B3 taps R in mode 1 and, where a button changes the mode, Q in mode 2:
// the mark that shows, between the steps of a script, whether a key is still
// down and which mode plays.
const QByteArray Base = "[IDENTIFIED BUTTONS]\nNUMBER=3\n1=B1,A\n2=B3,X\n3=B1+B2,A and B\n"
                        "[GLOBAL]\nMODE1NAME=Walk\nMODE2NAME=Items\nMODE_SWITCH_BUTTON=\n"
                        "MODES=2\nBUTTONS=3\nDIGITAL=1\nINPUTS=SEPARATE\n[MAPPING]\n"
                        "BUTTON1=B1\nBUTTON2=B3\nBUTTON3=B1+B2\n"
                        "[MODE1]\nBUTTON2_COUNT=1\nBUTTON2_1=82\n";
const QByteArray Mode2 = "[MODE2]\nBUTTON2_COUNT=1\nBUTTON2_1=81\n";
const QByteArray Mark = "press 3\nwait 100\nrelease 3\nwait 100\n";
} // namespace

class TestSavedTemplatePlays : public EditorTest
{
    Q_OBJECT

private slots:
    void init() { createEditor(); }
    void cleanup() { destroyEditor(); }
    void actionPlays_data();
    void actionPlays();
};

void TestSavedTemplatePlays::actionPlays_data()
{
    // The input programmed to type A, its action (cmbAction's index) and
    // rate; the script ("mark" taps B3), after which the player taps B3 once
    // more; what it then types, "65+" for A down and "m2" for mode 2 (a
    // pattern, where + is a key's).
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("played");
    const QByteArray holdWithMark = "press 1\nwait 200\nmark\nrelease 1\nwait 100\n";
    const QByteArray tapMarkTap =
        "press 1\nwait 100\nrelease 1\nwait 100\nmark\npress 1\nwait 100\nrelease 1\n";
    QTest::newRow("tap") << "B1" << 0 << 0 << holdWithMark << "65+ 65- 82+ 82- 82+ 82-";
    QTest::newRow("hold") << "B1" << 1 << 0 << holdWithMark << "65+ 82+ 82- 65- 82+ 82-";
    QTest::newRow("toggle") << "B1" << 2 << 0 << tapMarkTap << "65+ 82+ 82- 65- 82+ 82-";
    QTest::newRow("turbo") << "B1" << 3 << 50 << QByteArray("press 1\nwait 400\nrelease 1\n")
                           << "(65+ 65- ){4,}82+ 82-";
    QTest::newRow("mode, which stays") << "B1" << 4 << 0 << tapMarkTap << "m2 81+ 81- 81+ 81-";
    QTest::newRow("layer, while held") << "B1" << 5 << 0 << holdWithMark << "m2 81+ 81- m1 82+ 82-";
    QTest::newRow("chord") << "B1+B2" << 0 << 0
                           << QByteArray("press 1\npress 2\nwait 200\nrelease 2\nrelease 1\n")
                           << "65+ 65- 82+ 82-";
}

void TestSavedTemplatePlays::actionPlays()
{
    QFETCH(QString, input);
    QFETCH(int, action);
    QFETCH(int, rate);
    QFETCH(QByteArray, script);
    QFETCH(QString, played);
    CorvplayProcess player;
    frm->OpenTemplatePath(
        writeFile(player.dir.filePath("base.joy"), Base + (action >= 4 ? Mode2 : "")));
    showPage(frm->tabButtons);
    frm->ShowPressOnButtonsPage(input);
    frm->txtKey[0]->setText(QStringLiteral("a"));
    frm->cmbAction->setCurrentIndex(action);
    frm->cmbActionMode->setCurrentIndex(1);
    frm->spnRate->setValue(rate);
    frm->btnAddClick();
    ModalCloser closer;
    closer.fileToChoose = player.dir.filePath("saved.joy");
    QVERIFY(frm->SaveTemplateFile());
    QVERIFY2(boxes.isEmpty(), qPrintable(lastBox()));

    player.platform = QStringLiteral("offscreen");
    player.start(QStringLiteral("print"), closer.fileToChoose);
    QVERIFY(player.send(script.replace("mark\n", Mark) + "wait 100\n" + Mark));
    const QRegularExpression expected(
        QStringLiteral("^m1 %1$").arg(played.replace(u'+', QStringLiteral("\\+"))));
    QString typed;
    const auto done = [&] {
        QStringList out;
        for (const QString& line : player.lines()) {
            const QStringList w = line.split(u' ');
            if (w.size() >= 3 && w[0] == u"key")
                out << w[1] + (w[2] == u"down" ? u'+' : u'-');
            else if (w.size() >= 2 && w[0] == u"mode")
                out << u'm' + w[1];
        }
        typed = out.join(u' ');
        return expected.match(typed).hasMatch();
    };
    QVERIFY2(QTest::qWaitFor(done, kTimeout), qPrintable(typed));
}

QTEST_MAIN(TestSavedTemplatePlays)
#include "tst_SavedTemplatePlays.moc"
