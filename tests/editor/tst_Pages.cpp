// The editor's frame: New, the settings pages, hints and exit.
#include "EditorTest.h"
#include "TestFiles.h"
#include "editor/pages/DescriptionPage.h"
#include "platform/fake/FakeFocusService.h"
#include "widgets/TColorGrid.h"
#include "widgets/TExplorerButton.h"

#include <QFontDatabase>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>
#include <sys/wait.h>
#include <tuple>

using namespace corv;
using corv::editor::TfrmMain;

class TestPages : public EditorTest
{
    Q_OBJECT

private slots:
    void init() { createEditor(); }
    void cleanup() { destroyEditor(); }

    void newAsksAndMakesDigital();
    void deviceTypeChange_data();
    void deviceTypeChange();
    void responseLabel_data();
    void responseLabel();
    void appearance();
    void hintsSwitch();
    void exitAsks();
    void deleteLeavesNoLineSelected();
    void helpLeavesNoDefunctOpener();
    void keystrokeFieldsShowWholeKeystrokes();
    void appsField_data();
    void appsField();
    void pickWindow_data();
    void pickWindow();
    void pickWindowButton();
    void actionFields_data();
    void actionFields();
    void testPagePlays_data();
    void testPagePlays();

private:
    // Opens a template whose one button, id, types A in mode 1 and B in mode
    // 2, with more [GLOBAL] keys and mode 1 lines.
    void openOneButton(const QByteArray& id, const QByteArray& global, const QByteArray& mode1)
    {
        frm->OpenTemplatePath(corv::test::writeFile(
            files_.filePath("a.joy"),
            "[IDENTIFIED BUTTONS]\nNUMBER=1\n1=" + id +
                ",Fire\n[GLOBAL]\nMODE1NAME=Walk\nMODE2NAME=Air\nMODE_SWITCH_BUTTON=\nMODES=2\n"
                "BUTTONS=1\n" +
                global + "[MAPPING]\nBUTTON1=" + id + "\n[MODE1]\nBUTTON1_COUNT=1\nBUTTON1_1=65\n" +
                mode1 + "[MODE2]\nBUTTON1_COUNT=1\nBUTTON1_1=66\n"));
        QVERIFY2(boxes.isEmpty(), qPrintable(lastBox()));
    }
    QTemporaryDir files_;
    // A document with something in every part.
    void fill()
    {
        identify("1", "Trigger");
        program("1", {"a"}, "Fire");
        frm->txtTemplateDesc->setText("Flight");
        frm->txtModeName[0]->setText("Ground");
        frm->txtSwitchKey->setText("F1");
        frm->trkResponse->setValue(5);
        frm->ColorGrid1->setForegroundIndex(4);
    }
    bool tooltipShows(QWidget* w)
    {
        // A tip of another text stays unless the widget's own replaces it.
        QToolTip::showText(QPoint(0, 0), QStringLiteral("marker"));
        QHelpEvent event(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(w, &event);
        return QToolTip::text() == w->toolTip();
    }
    // "instance/Class"; "self" is one of this program's own windows.
    static FocusedWindow window(const QString& names)
    {
        if (names == u"self")
            return {QCoreApplication::applicationName(), QCoreApplication::applicationName(), "x"};
        return {names.section('/', 0, 0), names.section('/', 1), "a title"};
    }
    // Pick a window ends after ticks of 10 ms.
    void shortCountdown(int ticks)
    {
        auto* page = qobject_cast<editor::DescriptionPage*>(frm->tabDescription);
        page->PickSeconds = ticks;
        page->PickTickInterval = 10;
    }
};

void TestPages::newAsksAndMakesDigital()
{
    showPage(frm->tabType);
    frm->rbAnalogue->click();
    fill();
    answers << QMessageBox::Cancel;
    frm->ExplorerButton1->OnClick(frm->ExplorerButton1);
    QCOMPARE(lastBox(), QStringLiteral("Start a new template?"));
    QCOMPARE(boxes.last().caption, QStringLiteral("Confirm"));
    QCOMPARE(frm->Doc.Description, QStringLiteral("Flight"));

    frm->ExplorerButton1Click();
    Template fresh;
    QVERIFY(frm->Doc == fresh);
    QVERIFY(frm->rbDigital->isChecked());
    QVERIFY(frm->rbDigital->isEnabled() && frm->rbAnalogue->isEnabled());
    QVERIFY(!joystick->messagesWanted);
    QCOMPARE(frm->pagMain->currentWidget(), frm->tabButtons); // the page stays
    QVERIFY(lines(frm->lstIdentify).isEmpty());
    QVERIFY(lines(frm->lstButtonSummary).isEmpty());
    QCOMPARE(frm->txtModeName[0]->text(), QStringLiteral("Mode 1"));
    QCOMPARE(frm->lblResponseValue->text(), QStringLiteral("Normal"));
}

void TestPages::deviceTypeChange_data()
{
    QTest::addColumn<bool>("toAnalog");
    QTest::addColumn<QString>("question");
    QTest::newRow("to analog") << true
                               << "Changing from Digital to Analog will clear all settings. "
                                  "Continue?";
    QTest::newRow("to digital") << false
                                << "Changing from Analog to Digital will clear all settings. "
                                   "Continue?";
}

void TestPages::deviceTypeChange()
{
    QFETCH(bool, toAnalog);
    QFETCH(QString, question);
    if (!toAnalog) {
        showPage(frm->tabType);
        frm->rbAnalogue->click();
    }
    fill();
    const Template before = frm->Doc;
    boxes.clear();
    showPage(frm->tabType);
    QRadioButton* same = toAnalog ? frm->rbDigital : frm->rbAnalogue;
    QRadioButton* other = toAnalog ? frm->rbAnalogue : frm->rbDigital;

    same->click();
    QVERIFY(boxes.isEmpty());

    // While the question is up neither button can be chosen.
    bool enabledMeanwhile = true;
    whileBoxIsUp = [&] { enabledMeanwhile = other->isEnabled() || same->isEnabled(); };
    answers << QMessageBox::Cancel;
    other->click();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].kind, QMessageBox::Warning);
    QCOMPARE(boxes[0].caption, QStringLiteral("Warning"));
    QCOMPARE(boxes[0].text, question);
    QVERIFY(!enabledMeanwhile);
    QVERIFY(same->isChecked());
    QVERIFY(frm->Doc == before);

    other->click();
    QVERIFY(other->isChecked());
    QVERIFY(other->isEnabled());
    QCOMPARE(frm->Doc.DigitalDevice, !toAnalog);
    QCOMPARE(joystick->messagesWanted, toAnalog);
    Template fresh;
    fresh.DigitalDevice = !toAnalog;
    QVERIFY(frm->Doc == fresh);
    QVERIFY(frm->txtSwitchKey->text().isEmpty());
    QCOMPARE(frm->trkResponse->value(), 3);
    QCOMPARE(frm->ColorGrid1->ForegroundIndex(), 0);
}

void TestPages::responseLabel_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("name");
    QTest::newRow("2") << 2 << "Low";
    QTest::newRow("6") << 6 << "Highest";
}

void TestPages::responseLabel()
{
    QFETCH(int, position);
    QFETCH(QString, name);
    showPage(frm->tabResponse);
    frm->trkResponse->setValue(position);
    QCOMPARE(frm->lblResponseValue->text(), name);
    QCOMPARE(frm->Doc.Response, position);
}

void TestPages::appearance()
{
    showPage(frm->tabAppearance);
    QCOMPARE(frm->pnlExample->palette().color(QPalette::Window), QColor(192, 192, 192));
    frm->ColorGrid1->setForegroundIndex(15);
    frm->ColorGrid1->setBackgroundIndex(4);
    QCOMPARE(frm->pnlExample->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    QCOMPARE(frm->pnlExample->palette().color(QPalette::Window), QColor(0, 0, 128));
    QCOMPARE(frm->Doc.ForeIndex, 15);
    QCOMPARE(frm->Doc.BackColour, 0x800000u);

    ModalCloser closer;
    const QFont before = frm->pnlExample->font();
    frm->btnFont->click();
    QCOMPARE(closer.seen.size(), 1);
    QCOMPARE(frm->pnlExample->font(), before);

    // Only family, size, bold and italic are taken.
    QFont chosen(QFontDatabase::families().constFirst(), 14);
    chosen.setItalic(true);
    chosen.setUnderline(true);
    closer.fontToChoose = chosen;
    frm->btnFont->click();
    const QFont taken = frm->FontDialog1->selectedFont();
    QVERIFY(taken.underline());
    QCOMPARE(frm->Doc.FontName, taken.family());
    QCOMPARE(frm->Doc.FontSize, taken.pointSize());
    QCOMPARE(frm->Doc.FontBold, taken.bold());
    QCOMPARE(frm->Doc.FontItalic, taken.italic());
    QCOMPARE(frm->pnlExample->font().family(), taken.family());
    QVERIFY(!frm->pnlExample->font().underline());

    frm->btnDefault->click();
    QCOMPARE(frm->Doc.FontName, QStringLiteral("MS Sans Serif"));
    QCOMPARE(frm->Doc.FontSize, 8);
    QVERIFY(!frm->Doc.FontBold);
    QCOMPARE(frm->Doc.ForeIndex, 0);
    QCOMPARE(frm->Doc.BackIndex, 7);
    QCOMPARE(frm->pnlExample->palette().color(QPalette::Window), QColor(192, 192, 192));
}

void TestPages::hintsSwitch()
{
    QCOMPARE(frm->btnHints->DropDownMenu(), frm->PopupMenu1);
    QVERIFY(!frm->HintsShown());
    QVERIFY(frm->HintsOff1->isChecked());
    QVERIFY(!tooltipShows(frm->txtTemplateDesc));
    frm->HintsOn1->trigger();
    QVERIFY(frm->HintsShown());
    QVERIFY(frm->HintsOn1->isChecked() && !frm->HintsOff1->isChecked());
    QVERIFY(tooltipShows(frm->txtTemplateDesc));

    frm->ExplorerButton1Click();
    QVERIFY(!frm->HintsShown());
    QVERIFY(frm->HintsOn1->isChecked());
    QVERIFY(!tooltipShows(frm->txtTemplateDesc));
    frm->HintsOff1->trigger();
    QVERIFY(frm->HintsOff1->isChecked() && !frm->HintsOn1->isChecked());
}

void TestPages::exitAsks()
{
    frm->HintsOn1->trigger();
    answers << QMessageBox::Cancel;
    bool enabledMeanwhile = true;
    whileBoxIsUp = [&] { enabledMeanwhile = frm->rbDigital->isEnabled(); };
    frm->btnExit->OnClick(frm->btnExit);
    QCOMPARE(lastBox(), QStringLiteral("Exit The Corvane?"));
    QVERIFY(!enabledMeanwhile);
    QVERIFY(frm->isVisible());
    QVERIFY(frm->rbDigital->isEnabled());
    QVERIFY(frm->HintsShown());

    frm->close();
    QCOMPARE(boxes.size(), 2);
    QVERIFY(!frm->isVisible());
    QVERIFY(!frm->HintsShown());
}

void TestPages::deleteLeavesNoLineSelected()
{
    identify("1", "Trigger");
    identify("2", "Thumb");
    program("1", {"a"});
    program("2", {"b"});
    frm->lstButtonSummary->setCurrentRow(0);
    QCOMPARE(frm->txtButtonId->text(), QStringLiteral("1"));
    frm->btnDeleteClick();
    QCOMPARE(lines(frm->lstButtonSummary), QStringList{"2\tThumb"});
    QVERIFY(frm->lstButtonSummary->selectedItems().isEmpty());
    QCOMPARE(frm->lstButtonSummary->currentRow(), -1);
    QVERIFY(frm->txtButtonId->text().isEmpty() && frm->txtKey[0]->text().isEmpty());
}

void TestPages::helpLeavesNoDefunctOpener()
{
    // An opener that ends at once, as xdg-open does once the browser runs.
    QTemporaryDir bin;
    QFile(corv::test::writeFile(bin.filePath("xdg-open"), "#!/bin/sh\nexit 0\n"))
        .setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    frm->btnHelp->OnClick(frm->btnHelp);
    qputenv("PATH", path);
    QTest::qWait(1000);
    // No child is left: not running, nor ended and unreaped.
    QCOMPARE(::waitpid(-1, nullptr, WNOHANG), -1);
}

void TestPages::keystrokeFieldsShowWholeKeystrokes()
{
    // Slots 1 and 6 (the right column) and the mode-switch key, with the widest keystrokes.
    const QString num = "Ctrl + Shift + Alt + Num Lock";
    for (auto [page, field, keystroke] :
         {std::tuple(frm->tabButtons, frm->txtKey[0], num),
          std::tuple(frm->tabButtons, frm->txtKey[5], num),
          std::tuple(frm->tabMode, frm->txtSwitchKey,
                     QString("Ctrl + Shift + Alt + Scroll Lock"))}) {
        showPage(page);
        QVERIFY(QTest::qWaitForWindowExposed(frm.get()));
        field->setText(keystroke);
        // The text is not scrolled: its first letter stands at the left edge
        // with the cursor after the last one, and the field is inside the window.
        field->setCursorPosition(int(keystroke.size()));
        QCOMPARE(field->cursorPositionAt(QPoint(1, field->height() / 2)), 0);
        const QRect shown(field->mapTo(frm.get(), QPoint(0, 0)), field->size());
        QVERIFY2(frm->rect().contains(shown), qPrintable(field->objectName()));
    }
}

void TestPages::appsField_data()
{
    // What follows the [GLOBAL] head; the field once it is opened; what is
    // typed (null: nothing); what the saved file holds ("!": does not hold).
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArrayList>("saved");
    QTest::newRow("kept as written")
        << QByteArray("APPS=xterm;title:NetHack ;\n") << "xterm;title:NetHack ;" << QString()
        << QByteArrayList{"\nAPPS=xterm;title:NetHack ;\n"};
    QTest::newRow("empty kept") << QByteArray("APPS=\n") << ""
                                << " " << QByteArrayList{"\nAPPS=\n"};
    QTest::newRow("emptied") << QByteArray("APPS=xterm\nCHORD_MS=40\n") << "xterm"
                             << " " << QByteArrayList{"!APPS", "\nCHORD_MS=40\n"};
    QTest::newRow("added among kept keys, trimmed")
        << QByteArray("FORECOLOURS=clBtnFace\nAXIS2_THRESHOLD=30\nINPUTS=SEPARATE\n") << ""
        << " xterm;title:Mail " << QByteArrayList{"\nAPPS=xterm;title:Mail\n"};
}

void TestPages::appsField()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, shown);
    QFETCH(QString, typed);
    QFETCH(QByteArrayList, saved);
    QTemporaryDir dir;
    const QString file = corv::test::writeFile(
        dir.filePath("a.joy"), "[GLOBAL]\nMODE1NAME=A\nMODE_SWITCH_BUTTON=\n" + body);
    frm->OpenTemplatePath(file);
    QVERIFY2(boxes.isEmpty(), qPrintable(lastBox()));
    QCOMPARE(frm->txtApps->text(), shown);
    QVERIFY(!frm->IsModified());
    if (!typed.isNull())
        frm->txtApps->setText(typed);
    frm->txtTemplateDesc->setText("Mail"); // for the save to write
    QVERIFY(frm->SaveDocument());
    const QByteArray text = corv::test::readFile(file);
    for (const QByteArray& line : saved)
        QVERIFY2(text.contains(line.mid(line.startsWith('!'))) != line.startsWith('!'),
                 (line + " and\n" + text).constData());
    // Read back, the document is the one saved.
    const Template before = frm->Doc;
    frm->OpenTemplatePath(file);
    QVERIFY(frm->Doc == before);
}

void TestPages::pickWindow_data()
{
    // The field before; the window focused at the click; the focus changes
    // during the countdown; the field after it.
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("atClick");
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QString>("after");
    QTest::newRow("another program") << ""
                                     << "self" << QStringList{"xterm/XTerm"} << "XTerm";
    QTest::newRow("ours and the desktop pass; instance only")
        << "title:Mail;"
        << "" << QStringList{"self", "/", "foo/"} << "title:Mail; foo";
    QTest::newRow("listed by instance") << "title:Mail; xterm"
                                        << "" << QStringList{"xterm/XTerm"} << "title:Mail; xterm";
    QTest::newRow("only ours") << "xterm"
                               << "" << QStringList{"self"} << "xterm";
    QTest::newRow("focused at the end") << ""
                                        << "emacs/Emacs" << QStringList{} << "Emacs";
}

void TestPages::pickWindow()
{
    QFETCH(QString, before);
    QFETCH(QString, atClick);
    QFETCH(QStringList, changes);
    QFETCH(QString, after);
    FakeFocusService focus;
    shortCountdown(3);
    frm->SetFocusService(&focus);
    frm->txtApps->setText(before);
    if (!atClick.isEmpty())
        focus.focus(window(atClick));
    frm->btnPickWindow->click();
    QCOMPARE(frm->btnPickWindow->text(), QStringLiteral("Click the window... 3"));
    for (const QString& names : changes)
        focus.focus(window(names));
    QTRY_COMPARE(frm->btnPickWindow->text(), QStringLiteral("Pick a window"));
    QCOMPARE(frm->txtApps->text(), after);
    QCOMPARE(frm->Doc.GlobalExtras, (QList<std::pair<QString, QString>>{{"APPS", after}}));
    // Once it has ended, the focus is not followed.
    focus.focus(window("late/Late"));
    QCOMPARE(frm->txtApps->text(), after);
}

void TestPages::pickWindowButton()
{
    const QString why = "Needs an X11 window manager that names the active window";
    auto focus = std::make_unique<FakeFocusService>();
    focus->isAvailable = false;
    for (FocusService* service : std::initializer_list<FocusService*>{nullptr, focus.get()}) {
        frm->SetFocusService(service);
        QVERIFY(!frm->btnPickWindow->isEnabled());
        QCOMPARE(frm->btnPickWindow->toolTip(), why);
        QCOMPARE(frm->lblPickWindow->text(), why);
    }
    // A service gone during the countdown finds nothing.
    focus->isAvailable = true;
    frm->SetFocusService(focus.get());
    shortCountdown(1);
    frm->btnPickWindow->click();
    focus.reset();
    QTRY_COMPARE(frm->btnPickWindow->text(), QStringLiteral("Pick a window"));
    QCOMPARE(frm->lblPickWindow->text(),
             QStringLiteral("No window of another program was clicked."));
}

void TestPages::actionFields_data()
{
    // Mapping 1's newer keys in the file; the action chosen (-1: as loaded),
    // Repeat and the rate typed (-1: as loaded); the fields then enabled
    // ("modes": Mode and Layer can be chosen); its newer keys once added.
    QTest::addColumn<QByteArray>("extras");
    QTest::addColumn<bool>("gamepad");
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QString>("enabled");
    QTest::addColumn<QStringList>("saved");
    QTest::newRow("a repeating tap takes a rate")
        << QByteArray() << false << 0 << true << 120 << "rate press gap" << QStringList{"RATE=120"};
    QTest::newRow("hold has no timing, and the file's stays")
        << QByteArray("BUTTON1_PRESS_MS=30\n") << false << 1 << false << 0 << ""
        << QStringList{"PRESS_MS=30", "ACTION=HOLD"};
    QTest::newRow("a layer needs no keystroke")
        << QByteArray() << true << 5 << false << -1 << "mode modes"
        << QStringList{"ACTION=LAYER", "MODE=1"};
    QTest::newRow("kept as the file spells it")
        << QByteArray("BUTTON1_ACTION=turbo\nBUTTON1_TEXT=x\nBUTTON1_RATE=0100\n") << true << -1
        << false << -1 << "rate press gap modes"
        << QStringList{"ACTION=turbo", "RATE=0100", "TEXT=x"};
}

void TestPages::actionFields()
{
    QFETCH(QByteArray, extras);
    QFETCH(bool, gamepad);
    QFETCH(int, action);
    QFETCH(bool, repeat);
    QFETCH(int, rate);
    QFETCH(QString, enabled);
    QFETCH(QStringList, saved);
    const QByteArray id = gamepad ? "B1" : "1";
    openOneButton(id, gamepad ? "INPUTS=SEPARATE\n" : "", extras);
    showPage(frm->tabButtons);
    frm->ShowPressOnButtonsPage(id);
    if (action >= 0)
        frm->cmbAction->setCurrentIndex(action);
    frm->cmbRepeat->setCurrentIndex(repeat ? 1 : 0);
    if (rate >= 0)
        frm->spnRate->setValue(rate);
    if (action >= 4)
        frm->txtKey[0]->clear();
    const auto* items = qobject_cast<QStandardItemModel*>(frm->cmbAction->model());
    const QString shown = QStringList{frm->spnRate->isEnabled() ? "rate" : QString(),
                                      frm->spnPressMs->isEnabled() ? "press" : "",
                                      frm->spnGapMs->isEnabled() ? "gap" : "",
                                      frm->cmbActionMode->isEnabled() ? "mode" : "",
                                      items->item(5)->isEnabled() ? "modes" : ""}
                              .join(u' ')
                              .simplified();
    QCOMPARE(shown, enabled);
    frm->btnAddClick();
    QVERIFY2(boxes.isEmpty(), qPrintable(lastBox()));
    QStringList extrasAfter;
    for (const auto& [key, value] : frm->Doc.Mappings[0].value(0).Extras)
        extrasAfter << key + u'=' + value;
    QCOMPARE(extrasAfter, saved);
}

void TestPages::testPagePlays_data()
{
    // The template's [GLOBAL] type keys and its ButtonId for button 1 (which
    // types A, held in a gamepad template); what the page lists, without the
    // times, once button 1 is pressed and released (and, held, once the page
    // is left), and then F12 is pressed with Shift and alone.
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("digital, polled")
        << QByteArray("DIGITAL=1\n") << "1" << QStringList{"mode 1 Walk", "a down", "a up"};
    QTest::newRow("digital, F12 its switch key, alone")
        << QByteArray("DIGITAL=1\nMODE_SWITCH_KEY=123\n") << "1"
        << QStringList{"mode 1 Walk", "a down", "a up", "mode 2 Air"};
    QTest::newRow("analog, its messages")
        << QByteArray("DIGITAL=0\n") << "257" << QStringList{"mode 1 Walk", "a down", "a up"};
    QTest::newRow("gamepad, held until the page is left")
        << QByteArray("DIGITAL=1\nINPUTS=SEPARATE\n") << "B1"
        << QStringList{"mode 1 Walk", "a down", "a up"};
}

void TestPages::testPagePlays()
{
    QFETCH(QByteArray, type);
    QFETCH(QString, id);
    QFETCH(QStringList, listed);
    const bool gamepad = type.contains("SEPARATE");
    openOneButton(id.toLatin1(), type, gamepad ? "BUTTON1_ACTION=HOLD\n" : "");
    auto* list = frm->findChild<QListWidget*>("lstTestEvents");
    showPage(list->parentWidget()->parentWidget());
    const auto shown = [list] {
        QStringList lines;
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text().section(u'\t', 1);
        return lines;
    };
    if (gamepad)
        joystick->button(1, true);
    else
        joystick->press(1);
    QTRY_VERIFY(shown().size() >= 2);
    if (gamepad) {
        showPage(frm->tabIdentify); // leaving lets go
    } else {
        joystick->release(1);
        joystick->state = {};
        QTRY_COMPARE(shown().size(), 3);
        for (const Qt::KeyboardModifiers held : {Qt::ShiftModifier, Qt::NoModifier}) {
            QKeyEvent f12(QEvent::KeyPress, Qt::Key_F12, held, 0, 0xffc9 /* XK_F12 */, 0);
            QApplication::sendEvent(frm->focusWidget() ? frm->focusWidget() : frm.get(), &f12);
        }
    }
    QTRY_COMPARE(shown(), listed);
    // The pages behind were told of nothing.
    QVERIFY(frm->txtIdentifyId->text().isEmpty());
}

QTEST_MAIN(TestPages)
#include "tst_Pages.moc"
