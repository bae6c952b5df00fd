// The editor's button operations on the document, through the real widgets.
#include "EditorTest.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>

using namespace corv;
using corv::editor::TfrmMain;

class TestTfrmMain : public EditorTest
{
    Q_OBJECT

private slots:
    void init() { createEditor(); }
    void cleanup() { destroyEditor(); }

    void renameKeepsPlaceAndMappings();
    void addIdentifiedRefusals_data();
    void addIdentifiedRefusals();
    void deleteIdentifiedRefusals_data();
    void deleteIdentifiedRefusals();
    void deleteIdentifiedAsksAndActsOnCheckedId();
    void mappingsAddModifyDelete();
    void mappingRefusals_data();
    void mappingRefusals();
    void thirtyTwoMappingsPerMode();
    void modeChangeAndModeNames();
    void listClicksLoadFields();
    void clearByPage();
    void enterAdds();
    void enterClosingBoxAddsOnce();
    void unknownButtonIdsHaveNoDescription();
    void textFieldsHoldWhatFilesKeep();
};

void TestTfrmMain::renameKeepsPlaceAndMappings()
{
    identify("1", "Trigger");
    identify("2", "Thumb");
    program("1", {"a"}, "Fire");
    identify("1", "Main trigger");
    QCOMPARE(lines(frm->lstIdentify), QStringList({"1\tMain trigger", "2\tThumb"}));
    QCOMPARE(frm->Doc.Mappings[0].size(), 1);
    QCOMPARE(frm->Doc.Mappings[0][0].Purpose, QStringLiteral("Fire"));
    QVERIFY(frm->txtIdentifyId->text().isEmpty());
    QVERIFY(frm->txtIdentifyDesc->text().isEmpty());
    // The Buttons page shows the new description once it is shown again.
    showPage(frm->tabButtons);
    QCOMPARE(lines(frm->lstButtonSummary), QStringList({"1\tMain trigger"}));
    QVERIFY(boxes.isEmpty());
}

void TestTfrmMain::addIdentifiedRefusals_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("message");
    QTest::newRow("no button") << ""
                               << "Trigger"
                               << "Please choose a button first";
    QTest::newRow("no description") << "1"
                                    << ""
                                    << "Please type a description for this button";
}

void TestTfrmMain::addIdentifiedRefusals()
{
    QFETCH(QString, id);
    QFETCH(QString, description);
    QFETCH(QString, message);
    showPage(frm->tabIdentify);
    frm->txtIdentifyId->setText(id);
    frm->txtIdentifyDesc->setText(description);
    frm->btnAddClick();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].caption, QStringLiteral("Information"));
    QCOMPARE(boxes[0].text, message);
    QCOMPARE(frm->focusWidget(), frm->txtIdentifyDesc);
    QVERIFY(frm->Doc.IdentifiedButtons.isEmpty());
}

void TestTfrmMain::deleteIdentifiedRefusals_data()
{
    QTest::addColumn<int>("setup");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("message");
    // setup 0: nothing identified; 1: buttons 1 and 2, 2 programmed in mode 3
    // only, 1 the switch button.
    QTest::newRow("none") << 0 << "1"
                          << "There are no buttons to delete";
    QTest::newRow("none selected") << 1 << ""
                                   << "No button selected, you must select a button first";
    QTest::newRow("not added") << 1 << "8"
                               << "This button has not been added yet";
    QTest::newRow("programmed in another mode")
        << 1 << "2"
        << "This button has been programmed, delete it from the \"Buttons\" tab first";
    QTest::newRow("switch button")
        << 1 << "1"
        << "This button is the mode switching button, clear it from the \"Mode\" tab first";
}

void TestTfrmMain::deleteIdentifiedRefusals()
{
    QFETCH(int, setup);
    QFETCH(QString, id);
    QFETCH(QString, message);
    if (setup == 1) {
        identify("1", "Trigger");
        identify("2", "Thumb");
        showPage(frm->tabButtons);
        chooseMode(3);
        program("2", {"b"});
        chooseMode(1);
        showPage(frm->tabMode);
        frm->ShowPressOnModePage("1");
    }
    const Template before = frm->Doc;
    showPage(frm->tabIdentify);
    frm->txtIdentifyId->setText(id);
    frm->btnDeleteClick();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].text, message);
    QVERIFY(frm->Doc == before);
}

void TestTfrmMain::deleteIdentifiedAsksAndActsOnCheckedId()
{
    identify("1", "Trigger");
    identify("2", "Thumb");
    identify("4", "Top");
    showPage(frm->tabIdentify);
    frm->lstIdentify->setCurrentRow(1);
    QCOMPARE(frm->txtIdentifyId->text(), QStringLiteral("2"));

    answers << QMessageBox::Cancel;
    frm->btnDeleteClick();
    QCOMPARE(boxes.last().kind, QMessageBox::Question);
    QCOMPARE(boxes.last().caption, QStringLiteral("Confirm"));
    QCOMPARE(lastBox(), QStringLiteral("Delete this button"));
    QCOMPARE(frm->Doc.IdentifiedButtons.size(), 3);

    // A press while the question is up shows another button; the one asked
    // about is deleted.
    frm->lstIdentify->setCurrentRow(1);
    whileBoxIsUp = [this] { frm->ShowPressOnIdentifyPage("4"); };
    frm->btnDeleteClick();
    QCOMPARE(lines(frm->lstIdentify), QStringList({"1\tTrigger", "4\tTop"}));
    QVERIFY(frm->txtIdentifyId->text().isEmpty());
    QCOMPARE(frm->focusWidget(), frm->txtIdentifyDesc);
}

void TestTfrmMain::mappingsAddModifyDelete()
{
    for (const char* id : {"1", "2", "4"})
        identify(id, QStringLiteral("B%1").arg(id));
    program("1", {"", "", "", "Ctrl + a"}, "Fire", true);
    program("2", {"b"});
    program("4", {"c"});
    const ButtonMapping& first = frm->Doc.Mappings[0][0];
    QCOMPARE(first.Keystrokes, (std::array<QString, 6>{"", "", "", "Ctrl + a", "", ""}));
    QVERIFY(first.Repeat);
    QCOMPARE(lines(frm->lstButtonSummary), QStringList({"1\tB1", "2\tB2", "4\tB4"}));
    // Fields are emptied after each add.
    QVERIFY(frm->txtButtonId->text().isEmpty());
    QCOMPARE(frm->cmbRepeat->currentText(), QStringLiteral("False"));

    // Modify in place.
    program("2", {"x", "y"}, "Jump");
    QCOMPARE(frm->Doc.Mappings[0].size(), 3);
    QCOMPARE(frm->Doc.Mappings[0][1].Purpose, QStringLiteral("Jump"));
    QCOMPARE(frm->Doc.Mappings[0][1].Keystrokes[1], QStringLiteral("y"));

    // Delete the middle one: the rest keep their order.
    frm->ShowPressOnButtonsPage("2");
    frm->btnDeleteClick();
    QCOMPARE(lastBox(), QStringLiteral("Delete this button for this mode"));
    QCOMPARE(lines(frm->lstButtonSummary), QStringList({"1\tB1", "4\tB4"}));
    QCOMPARE(frm->Doc.Mappings[0][0].ButtonId, QStringLiteral("1"));
    QCOMPARE(frm->Doc.Mappings[0][1].ButtonId, QStringLiteral("4"));
    QCOMPARE(frm->focusWidget(), frm->txtButtonPurpose);

    // Cancel deletes nothing; the checked line is deleted even when a press
    // changes the fields meanwhile.
    frm->ShowPressOnButtonsPage("1");
    answers << QMessageBox::Cancel;
    frm->btnDeleteClick();
    QCOMPARE(frm->Doc.Mappings[0].size(), 2);
    frm->ShowPressOnButtonsPage("1");
    whileBoxIsUp = [this] { frm->ShowPressOnButtonsPage("4"); };
    frm->btnDeleteClick();
    QCOMPARE(lines(frm->lstButtonSummary), QStringList({"4\tB4"}));
}

void TestTfrmMain::mappingRefusals_data()
{
    QTest::addColumn<bool>("add");
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("withKey");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("add: no id") << true << "" << true << "Button ID cannot be null"
                                << "txtButtonId";
    QTest::newRow("add: no key") << true << "2" << false << "You must specify a keystroke"
                                 << "txtKey1";
    QTest::newRow("delete: none selected")
        << false << "" << true << "No button selected, you must select a button first"
        << "";
    QTest::newRow("delete: not added")
        << false << "2" << true << "This button has not been added yet"
        << "";
}

void TestTfrmMain::mappingRefusals()
{
    QFETCH(bool, add);
    QFETCH(QString, id);
    QFETCH(bool, withKey);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    identify("1", "Trigger");
    identify("2", "Thumb");
    showPage(frm->tabButtons);
    frm->btnDeleteClick();
    QCOMPARE(lastBox(), QStringLiteral("There are no buttons to delete in this mode"));
    program("1", {"a"});
    const Template before = frm->Doc;
    boxes.clear();

    if (!id.isEmpty())
        frm->ShowPressOnButtonsPage(id);
    frm->txtKey[2]->setText(withKey ? QStringLiteral("z") : QString());
    frm->txtButtonPurpose->setFocus();
    add ? frm->btnAddClick() : frm->btnDeleteClick();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].text, message);
    if (!focus.isEmpty())
        QCOMPARE(frm->focusWidget()->objectName(), focus);
    QVERIFY(frm->Doc == before);
}

void TestTfrmMain::thirtyTwoMappingsPerMode()
{
    for (int b = 1; b <= 33; ++b)
        frm->Doc.IdentifiedButtons.append({QString::number(b), QStringLiteral("B%1").arg(b)});
    for (int b = 1; b <= 32; ++b)
        program(QString::number(b), {"a"});
    QCOMPARE(frm->lstButtonSummary->count(), 32);
    program("33", {"a"});
    QCOMPARE(lastBox(), QStringLiteral("Maximum of 32 buttons allowed"));
    QCOMPARE(frm->Doc.Mappings[0].size(), 32);

    const int shown = boxes.size();
    program("17", {"q"}, "changed");
    QCOMPARE(boxes.size(), shown);
    QCOMPARE(frm->Doc.Mappings[0][16].Purpose, QStringLiteral("changed"));

    chooseMode(2);
    for (int b = 2; b <= 33; ++b)
        program(QString::number(b), {"a"});
    QCOMPARE(frm->Doc.Mappings[1].size(), 32);
    QCOMPARE(boxes.size(), shown);
}

void TestTfrmMain::modeChangeAndModeNames()
{
    identify("1", "Trigger");
    program("1", {"a"}, "Fire");
    frm->ShowPressOnButtonsPage("1");
    QCOMPARE(frm->txtButtonPurpose->text(), QStringLiteral("Fire"));

    // The names are taken when the Buttons page is shown.
    showPage(frm->tabMode);
    frm->txtModeName[2]->clear();
    frm->txtModeName[1]->setText("Air");
    showPage(frm->tabButtons);
    chooseMode(2);
    QCOMPARE(frm->CurrentMode, 2);
    QVERIFY(frm->txtButtonId->text().isEmpty());
    QVERIFY(frm->txtButtonPurpose->text().isEmpty());
    QVERIFY(frm->txtKey[0]->text().isEmpty());
    QVERIFY(lines(frm->lstButtonSummary).isEmpty());
    program("1", {"b"});
    QCOMPARE(frm->Doc.HighestUsedMode(), 2);

    QStringList items;
    for (int i = 0; i < frm->cmbMode->count(); ++i)
        items << frm->cmbMode->itemText(i);
    QCOMPARE(items, QStringList({"Mode 1", "Air", "Mode 3", "Mode 4", "Mode 5"}));
    QCOMPARE(frm->cmbMode->currentIndex(), 1);
    QVERIFY(frm->txtModeName[2]->text().isEmpty());
    QVERIFY(frm->Doc.ModeNames[2].isEmpty());

    chooseMode(1);
    QCOMPARE(lines(frm->lstButtonSummary), QStringList({"1\tTrigger"}));
}

void TestTfrmMain::listClicksLoadFields()
{
    identify("1", "Trigger");
    identify("2", "Thumb");
    program("1", {"a", "", "b"}, "Fire", true);
    program("2", {"c"}, "Jump");
    frm->lstButtonSummary->setCurrentRow(0);
    QCOMPARE(frm->txtButtonId->text(), QStringLiteral("1"));
    QCOMPARE(frm->txtButtonDesc->text(), QStringLiteral("Trigger"));
    QCOMPARE(frm->txtButtonPurpose->text(), QStringLiteral("Fire"));
    QCOMPARE(frm->cmbRepeat->currentText(), QStringLiteral("True"));
    QCOMPARE(frm->txtKey[2]->text(), QStringLiteral("b"));

    // Leaving the list for another control drops its selection.
    frm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frm.get()));
    frm->lstButtonSummary->setFocus();
    frm->txtButtonPurpose->setFocus();
    QVERIFY(frm->lstButtonSummary->selectedItems().isEmpty());
    // A click on no line loads nothing.
    frm->txtButtonPurpose->setText("typed");
    QTest::mouseClick(frm->lstButtonSummary->viewport(), Qt::LeftButton, {},
                      QPoint(5, frm->lstButtonSummary->viewport()->height() - 2));
    QCOMPARE(frm->txtButtonPurpose->text(), QStringLiteral("typed"));

    showPage(frm->tabIdentify);
    frm->lstIdentify->setCurrentRow(1);
    QCOMPARE(frm->txtIdentifyId->text(), QStringLiteral("2"));
    QCOMPARE(frm->txtIdentifyDesc->text(), QStringLiteral("Thumb"));
}

void TestTfrmMain::clearByPage()
{
    identify("1", "Trigger");
    showPage(frm->tabMode);
    frm->ShowPressOnModePage("1");
    frm->txtSwitchKey->setText("F1");
    frm->txtModeName[0]->setText("Ground");
    frm->btnClearClick();
    QVERIFY(frm->Doc.ModeSwitchButton.isEmpty());
    QVERIFY(frm->Doc.ModeSwitchKey.isEmpty());
    QVERIFY(frm->txtSwitchDesc->text().isEmpty());
    QCOMPARE(frm->Doc.ModeNames[0], QStringLiteral("Ground"));
    QCOMPARE(frm->focusWidget(), frm->txtSwitchDesc);

    showPage(frm->tabDescription);
    frm->txtTemplateDesc->setText("Flight");
    frm->btnClearClick();
    QVERIFY(frm->Doc.Description.isEmpty());
    QCOMPARE(frm->focusWidget(), frm->txtTemplateDesc);

    program("1", {"a"}, "Fire");
    frm->ShowPressOnButtonsPage("1");
    frm->btnClearClick();
    QVERIFY(frm->txtButtonId->text().isEmpty());
    QVERIFY(frm->txtKey[0]->text().isEmpty());
    QCOMPARE(frm->Doc.Mappings[0].size(), 1);
    QCOMPARE(frm->focusWidget(), frm->txtButtonPurpose);
}

void TestTfrmMain::enterAdds()
{
    QApplication::setActiveWindow(frm.get());
    showPage(frm->tabIdentify);
    frm->ShowPressOnIdentifyPage("1");
    QTest::keyClicks(frm->txtIdentifyDesc, "Trigger");
    QTest::keyClick(frm->txtIdentifyDesc, Qt::Key_Return);
    QCOMPARE(lines(frm->lstIdentify), QStringList({"1\tTrigger"}));

    showPage(frm->tabButtons);
    frm->ShowPressOnButtonsPage("1");
    frm->txtKey[0]->setText("a");
    QTest::keyClick(frm->txtButtonPurpose, Qt::Key_Enter);
    QCOMPARE(frm->Doc.Mappings[0].size(), 1);

    // Not on other pages.
    showPage(frm->tabDescription);
    frm->txtTemplateDesc->setFocus();
    QTest::keyClick(frm->txtTemplateDesc, Qt::Key_Return);
    QVERIFY(boxes.isEmpty());
}

void TestTfrmMain::enterClosingBoxAddsOnce()
{
    // Real boxes, closed with Enter from a timer.
    corv::editor::SetMessageHandler({});
    frm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frm.get()));
    showPage(frm->tabIdentify);
    frm->txtIdentifyDesc->setFocus();
    int shown = 0;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        QCOMPARE(box->text(), QStringLiteral("Please choose a button first"));
        ++shown;
        QTest::keyClick(box, Qt::Key_Return);
    });
    closer.start(20);
    QTest::keyClick(frm->txtIdentifyDesc, Qt::Key_Return);
    QTest::qWait(300);
    QCOMPARE(shown, 1);
}

void TestTfrmMain::unknownButtonIdsHaveNoDescription()
{
    // A mapping of a button nobody identified (a hand-edited file).
    frm->Doc.Mappings[0].append({"99", "Ghost", false, {"a"}});
    identify("1", "Trigger");
    showPage(frm->tabButtons);
    QCOMPARE(lines(frm->lstButtonSummary), QStringList({"99\t"}));
    frm->lstButtonSummary->setCurrentRow(0);
    QVERIFY(frm->txtButtonDesc->text().isEmpty());

    // Shown unmapped on Buttons, deleted on Identify, back on Buttons.
    frm->ShowPressOnButtonsPage("1");
    showPage(frm->tabIdentify);
    frm->ShowPressOnIdentifyPage("1");
    frm->btnDeleteClick();
    QVERIFY(frm->Doc.IdentifiedButtons.isEmpty());
    showPage(frm->tabButtons);
    QVERIFY(frm->txtButtonId->text().isEmpty());
    frm->txtKey[0]->setText("a");
    frm->btnAddClick();
    QCOMPARE(lastBox(), QStringLiteral("Button ID cannot be null"));
}

void TestTfrmMain::textFieldsHoldWhatFilesKeep()
{
    QCOMPARE(frm->txtIdentifyDesc->maxLength(), 255);
    for (QLineEdit* field :
         {frm->txtTemplateDesc, frm->txtButtonPurpose, frm->txtModeName[0], frm->txtModeName[4]})
        QCOMPARE(field->maxLength(), 1023);
    frm->txtTemplateDesc->setText(QString(2000, QLatin1Char('x')));
    QCOMPARE(frm->Doc.Description.size(), 1023);
}

QTEST_MAIN(TestTfrmMain)
#include "tst_TfrmMain.moc"
