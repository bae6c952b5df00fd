// Button identification: the joystick poll and button messages shown on the
// three button pages, with SDL's virtual joystick driven through its script
// pipe and with the fake joystick.
#include "EditorTest.h"
#include "TestFiles.h"
#include "platform/Platform.h"
#include "template/RuntimeTemplate.h"

#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace corv;
using corv::editor::TfrmMain;

class TestIdentification : public EditorTest
{
    Q_OBJECT

private slots:
    void gamepadNamesInputsAndChords_data();
    void gamepadNamesInputsAndChords();
    void cleanup()
    {
        destroyEditor();
        script_.close();
        sdl_.reset();
        dir_.reset();
    }

    void captureFailureEndsTheProgram();
    void editingWithoutJoystick_data();
    void editingWithoutJoystick();
    void timerRunsOnlyOnButtonPages();
    void digitalPressesFromTheVirtualJoystick();
    void analogMessagesFromTheVirtualJoystick();
    void centredHatInEitherForm();
    void modePageTakesIdentifiedButtonsOnly();
    void samePressOnButtonsPageResetsRepeatOnly();

private:
    // An editor on the virtual joystick; send() writes script lines to it.
    void createVirtual()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        const QString fifo = corv::test::makeFifo(dir_->filePath(QStringLiteral("joy")));
        sdl_ = Platform::createJoystick(QStringLiteral("virtual:") + fifo);
        createEditor(sdl_.get());
        script_.setFileName(fifo);
        QVERIFY(script_.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    }
    void send(const QByteArray& lines) { QCOMPARE(script_.write(lines), lines.size()); }
    // Lets the 100 ms poll see the state a few times.
    static void polls() { QTest::qWait(3 * TfrmMain::PollInterval); }
    void toAnalog()
    {
        showPage(frm->tabType);
        frm->rbAnalogue->click();
        QVERIFY(!frm->Doc.DigitalDevice);
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Joystick> sdl_;
    QFile script_;
};

void TestIdentification::captureFailureEndsTheProgram()
{
    const std::pair<int, const char*> results[] = {{6, "Cannot detect a joystick driver"},
                                                   {165, "Cannot detect a joystick driver"},
                                                   {166, "Cannot capture joystick input"},
                                                   {167, "Cannot detect a connected joystick"},
                                                   {1, "Undetermined joystick error"}};
    corv::editor::SetMessageHandler(
        [this](QMessageBox::Icon kind, const QString& caption, const QString& text) {
            boxes.append({kind, caption, text});
            return QMessageBox::Ok;
        });
    for (const auto& [result, message] : results) {
        FakeJoystick failing;
        failing.captureResult = result;
        boxes.clear();
        TfrmMain window(&failing);
        QVERIFY(!window.FormCreate());
        QCOMPARE(window.ExitCode, 1);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].kind, QMessageBox::Critical);
        QCOMPARE(boxes[0].caption, QStringLiteral("Error"));
        QCOMPARE(boxes[0].text, QString(message));
    }
}

void TestIdentification::editingWithoutJoystick_data()
{
    QTest::addColumn<bool>("digital");
    QTest::newRow("digital, polled") << true;
    QTest::newRow("analog, button messages") << false;
}

void TestIdentification::editingWithoutJoystick()
{
    QFETCH(bool, digital);
    FakeJoystick unplugged;
    unplugged.captureResult = 167;
    corv::editor::SetMessageHandler([this](QMessageBox::Icon, const QString&, const QString&) {
        return answers.isEmpty() ? QMessageBox::Ok : answers.takeFirst();
    });
    answers << QMessageBox::Ignore; // going on without the joystick
    frm = std::make_unique<TfrmMain>(&unplugged);
    QVERIFY(frm->FormCreate());
    frm->show();
    if (!digital)
        frm->rbAnalogue->click();
    QCOMPARE(frm->tmrCapture->interval(), 2000);
    // The pages that identify say why they cannot; nothing is read meanwhile.
    for (QWidget* page : {frm->tabIdentify, frm->tabButtons}) {
        showPage(page);
        QVERIFY(frm->lblNoJoystickIdentify->isVisible() || frm->lblNoJoystickButtons->isVisible());
        frm->Timer1Timer();
        unplugged.press(1);
        unplugged.release(1);
        frm->tmrCaptureTimer(); // still away
    }
    QVERIFY(frm->txtButtonId->text().isEmpty() && unplugged.pollCalls == 0);

    // Plugged in: taken at the next retry, and presses are identified.
    unplugged.captureResult = 0;
    QVERIFY(frm->tmrCapture->isActive());
    frm->tmrCaptureTimer();
    QVERIFY(!frm->tmrCapture->isActive() && !frm->lblNoJoystickButtons->isVisible());
    QCOMPARE(unplugged.messagesWanted, !digital);
    showPage(frm->tabIdentify);
    unplugged.press(1);
    frm->Timer1Timer();
    QCOMPARE(frm->txtIdentifyId->text(), digital ? QStringLiteral("1") : QStringLiteral("257"));
    frm.reset(); // before the joystick goes
}

void TestIdentification::timerRunsOnlyOnButtonPages()
{
    createEditor();
    QCOMPARE(frm->pagMain->currentWidget(), frm->tabDescription);
    for (int i = 0; i < frm->pagMain->count(); ++i) {
        QWidget* page = frm->pagMain->widget(i);
        showPage(page);
        const bool polls =
            page == frm->tabIdentify || page == frm->tabMode || page == frm->tabButtons;
        QCOMPARE(frm->Timer1->isActive(), polls);
    }
    showPage(frm->tabIdentify); // back from Summary
    QVERIFY(frm->Timer1->isActive());
}

void TestIdentification::digitalPressesFromTheVirtualJoystick()
{
    createVirtual();
    if (QTest::currentTestFailed())
        return;
    showPage(frm->tabIdentify);
    send("press 1\n");
    QTRY_COMPARE(frm->txtIdentifyId->text(), QStringLiteral("1"));
    // Pressing a second button while the first is held shows nothing new.
    frm->btnClearClick();
    send("press 2\n");
    polls();
    QVERIFY(frm->txtIdentifyId->text().isEmpty());

    const struct {
        QByteArray command;
        QString id;
    } presses[] = {
        {"buttons 3\n", "3"},          // both within one poll
        {"hat 0\n", "0"},              // hat forward
        {"press 32\n", "-2147483648"}, // signed, as the player reads it
        {"buttons 2147483649\n", "-2147483647"},
    };
    for (const auto& press : presses) {
        send("buttons 0\nhat centre\n");
        polls();
        send(press.command);
        QTRY_COMPARE(frm->txtIdentifyId->text(), press.id);
    }
    // A digital template does not listen to button messages.
    send("buttons 0\n");
    polls();
    frm->JoyButtonDown(257);
    QCOMPARE(frm->txtIdentifyId->text(), QStringLiteral("-2147483647"));
}

void TestIdentification::analogMessagesFromTheVirtualJoystick()
{
    createVirtual();
    if (QTest::currentTestFailed())
        return;
    toAnalog();
    showPage(frm->tabIdentify);
    QStringList shown;
    connect(frm->txtIdentifyId, &QLineEdit::textChanged, this,
            [&shown](const QString& text) { shown << text; });
    send("press 1\npress 2\nrelease 1\nrelease 2\npress 2\n");
    QTRY_COMPARE(shown, QStringList({"257", "515", "514"}));
    // The poll plays no part.
    polls();
    QCOMPARE(shown.size(), 3);
}

void TestIdentification::centredHatInEitherForm()
{
    createEditor();
    showPage(frm->tabIdentify);
    for (uint32_t centred : {JoyInfo::PovCentered, JoyInfo::PovCenteredAll}) {
        joystick->state = {0, 9000};
        frm->Timer1Timer();
        QCOMPARE(frm->txtIdentifyId->text(), QStringLiteral("9000"));
        frm->btnClearClick();
        joystick->state = {0, centred};
        frm->Timer1Timer();
        QVERIFY(!frm->ButtonHeld);
        QVERIFY(frm->txtIdentifyId->text().isEmpty());
    }
    // An analog template ignores the poll, whatever is pressed.
    toAnalog();
    QVERIFY(joystick->messagesWanted);
    showPage(frm->tabIdentify);
    joystick->state = {1};
    frm->Timer1Timer();
    QVERIFY(frm->txtIdentifyId->text().isEmpty());
    joystick->press(2);
    QCOMPARE(frm->txtIdentifyId->text(), QStringLiteral("515"));
}

void TestIdentification::modePageTakesIdentifiedButtonsOnly()
{
    createEditor();
    identify("1", "Trigger");
    showPage(frm->tabMode);
    joystick->state = {1};
    frm->Timer1Timer();
    QCOMPARE(frm->txtSwitchDesc->text(), QStringLiteral("Trigger"));
    QCOMPARE(frm->Doc.ModeSwitchButton, QStringLiteral("1"));
    joystick->state = {};
    frm->Timer1Timer();
    joystick->state = {8};
    frm->Timer1Timer();
    QVERIFY(frm->txtSwitchId->text().isEmpty());
    QVERIFY(frm->txtSwitchDesc->text().isEmpty());
    QVERIFY(frm->Doc.ModeSwitchButton.isEmpty());
    QVERIFY(!frm->PollBusy);
}

void TestIdentification::samePressOnButtonsPageResetsRepeatOnly()
{
    createEditor();
    identify("1", "Trigger");
    identify("2", "Thumb");
    program("1", {"a"}, "Fire", true);
    auto press = [this](uint32_t mask) {
        joystick->state = {};
        frm->Timer1Timer();
        joystick->state = {mask};
        frm->Timer1Timer();
    };
    press(1);
    QCOMPARE(frm->txtButtonPurpose->text(), QStringLiteral("Fire"));
    QCOMPARE(frm->cmbRepeat->currentText(), QStringLiteral("True"));
    QCOMPARE(frm->focusWidget(), frm->txtButtonPurpose);
    frm->txtButtonPurpose->setText("typed");
    frm->cmbRepeat->setCurrentIndex(0);
    press(1);
    QCOMPARE(frm->txtButtonPurpose->text(), QStringLiteral("typed"));
    QCOMPARE(frm->cmbRepeat->currentText(), QStringLiteral("True"));
    // An unmapped button: Repeat "False"; an unknown one empties the fields.
    press(2);
    QCOMPARE(frm->txtButtonDesc->text(), QStringLiteral("Thumb"));
    QCOMPARE(frm->cmbRepeat->currentText(), QStringLiteral("False"));
    press(16);
    QVERIFY(frm->txtButtonId->text().isEmpty());
    QVERIFY(frm->txtButtonDesc->text().isEmpty());
}

void TestIdentification::gamepadNamesInputsAndChords_data()
{
    // An event as "hat BITS" or "axis K VALUE"; the identified name. The end-
    // to-end run of the editor identifies a button, a stick, a trigger and a chord.
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("identified");
    QTest::newRow("a hat direction") << "hat 8"
                                     << "HAT_LEFT";
    QTest::newRow("a stick short of half way") << "axis 2 -10000"
                                               << "";
}

// The Type page makes a gamepad template, whose presses are named by input.
void TestIdentification::gamepadNamesInputsAndChords()
{
    QFETCH(QString, event);
    QFETCH(QString, identified);
    createEditor();
    showPage(frm->tabType);
    frm->rbGamepad->click();
    QCOMPARE(lastBox(), "Changing from Digital to Gamepad will clear all settings. Continue?");
    QVERIFY(frm->Doc.SeparateInputs() && frm->Doc.DigitalDevice && joystick->eventsWanted);
    QVERIFY(frm->spnChordMs->isEnabled() && frm->spnAxisThreshold->isEnabled());
    showPage(frm->tabIdentify);
    const QStringList w = event.split(u' ');
    if (w[0] == u"hat")
        joystick->hat(w[1].toInt());
    else
        joystick->axis(w[1].toInt(), w[2].toInt());
    // Not from the poll, which a gamepad template leaves alone.
    frm->Timer1Timer();
    QTest::qWait(2 * RuntimeTemplate::DefaultChordMs);
    QCOMPARE(frm->txtIdentifyId->text(), identified);
    // Back to Digital: no events, and no INPUTS key.
    showPage(frm->tabType);
    frm->rbDigital->click();
    QVERIFY(!frm->Doc.SeparateInputs() && !joystick->eventsWanted);
    QVERIFY(!frm->spnChordMs->isEnabled() && !frm->spnAxisThreshold->isEnabled());
}

QTEST_MAIN(TestIdentification)
#include "tst_Identification.moc"
