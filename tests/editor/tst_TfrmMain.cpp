// The editor's button operations on the document, through the real widgets.
#include "EditorTest.h"

#include <QtTest>

using namespace corv;

class TestTfrmMain : public EditorTest
{
    Q_OBJECT

    // Buttons 1 and 2 identified; 2 programmed in mode 3 only; 1 switches modes.
    void identifyTwo()
    {
        identify("1", "Trigger");
        identify("2", "Thumb");
        chooseMode(3);
        program("2", {"b"});
        chooseMode(1);
        frm->ShowPressOnModePage("1");
    }

private slots:
    void init() { createEditor(); }
    void cleanup() { destroyEditor(); }

    void renameKeepsPlaceAndMappings()
    {
        identify("1", "Trigger");
        identify("2", "Thumb");
        program("1", {"a"}, "Fire");
        identify("1", "Main trigger");
        QCOMPARE(lines(frm->lstIdentify), QStringList({"1\tMain trigger", "2\tThumb"}));
        QCOMPARE(frm->Doc.Mappings[0][0].Purpose, QStringLiteral("Fire"));
        QVERIFY(frm->txtIdentifyId->text().isEmpty() && frm->txtIdentifyDesc->text().isEmpty());
        showPage(frm->tabButtons);
        QCOMPARE(lines(frm->lstButtonSummary), QStringList({"1\tMain trigger"}));
        QVERIFY(boxes.isEmpty());
    }

    // Every refusal of the Identify and Buttons pages, in the order checked.
    void refusals_data()
    {
        QTest::addColumn<bool>("setup");
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("add");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        const auto row = [](const char* name, bool setup, const char* page, bool add,
                            const char* id, const char* message, const char* focus = "") {
            QTest::newRow(name) << setup << QString(page) << add << QString(id) << QString(message)
                                << QString(focus);
        };
        row("add: no button", false, "tabIdentify", true, "", "Please choose a button first",
            "txtIdentifyDesc");
        row("add: no description", false, "tabIdentify", true, "1",
            "Please type a description for this button", "txtIdentifyDesc");
        row("delete: none", false, "tabIdentify", false, "1", "There are no buttons to delete");
        row("delete: none selected", true, "tabIdentify", false, "",
            "No button selected, you must select a button first");
        row("delete: not added", true, "tabIdentify", false, "8",
            "This button has not been added yet");
        row("delete: programmed in another mode", true, "tabIdentify", false, "2",
            "This button has been programmed, delete it from the \"Buttons\" tab first");
        row("delete: switch button", true, "tabIdentify", false, "1",
            "This button is the mode switching button, clear it from the \"Mode\" tab first");
        row("map: no button", true, "tabButtons", true, "", "Button ID cannot be null",
            "txtButtonId");
        row("map: no key", true, "tabButtons", true, "1", "You must specify a keystroke",
            "txtKey1");
        row("unmap: none in mode", true, "tabButtons", false, "1",
            "There are no buttons to delete in this mode");
    }
    void refusals()
    {
        QFETCH(bool, setup);
        QFETCH(QString, page);
        QFETCH(bool, add);
        QFETCH(QString, id);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        if (setup)
            identifyTwo();
        const Template before = frm->Doc;
        boxes.clear();
        showPage(frm->findChild<QWidget*>(page));
        QLineEdit* idField = page == "tabIdentify" ? frm->txtIdentifyId : frm->txtButtonId;
        idField->setText(id);
        frm->txtButtonPurpose->setFocus();
        add ? frm->btnAddClick() : frm->btnDeleteClick();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].caption, QStringLiteral("Information"));
        QCOMPARE(boxes[0].text, message);
        if (!focus.isEmpty())
            QCOMPARE(frm->focusWidget()->objectName(), focus);
        QVERIFY(frm->Doc == before);
    }

    // Both deletes ask first. Cancel keeps the entry; OK deletes the one that
    // passed the checks, though a press during the question shows another.
    void deleteAsksAndActsOnCheckedId_data()
    {
        QTest::addColumn<bool>("mapping");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("focus");
        QTest::newRow("identified button") << false << "Delete this button"
                                           << "txtIdentifyDesc";
        QTest::newRow("mapping") << true << "Delete this button for this mode"
                                 << "txtButtonPurpose";
    }
    void deleteAsksAndActsOnCheckedId()
    {
        QFETCH(bool, mapping);
        for (const char* id : {"1", "2", "4"}) {
            identify(id, QStringLiteral("B%1").arg(id));
            if (mapping)
                program(id, {"a"});
        }
        showPage(mapping ? frm->tabButtons : frm->tabIdentify);
        QListWidget* list = mapping ? frm->lstButtonSummary : frm->lstIdentify;
        QLineEdit* idField = mapping ? frm->txtButtonId : frm->txtIdentifyId;
        list->setCurrentRow(1); // a click on a line loads it
        QCOMPARE(idField->text(), QStringLiteral("2"));
        answers << QMessageBox::Cancel;
        frm->btnDeleteClick();
        QCOMPARE(boxes.last().caption, QStringLiteral("Confirm"));
        QTEST(lastBox(), "question");
        QCOMPARE(lines(list).size(), 3);

        whileBoxIsUp = [&] {
            mapping ? frm->ShowPressOnButtonsPage("4") : frm->ShowPressOnIdentifyPage("4");
        };
        frm->btnDeleteClick();
        QCOMPARE(lines(list), QStringList({"1\tB1", "4\tB4"})); // in their order
        QCOMPARE(mapping ? frm->Doc.Mappings[0].size() : frm->Doc.IdentifiedButtons.size(), 2);
        QVERIFY(idField->text().isEmpty());
        QTEST(frm->focusWidget()->objectName(), "focus");
    }

    void mappingsAddAndModify()
    {
        for (const char* id : {"1", "2", "4", "8"})
            identify(id, QStringLiteral("B%1").arg(id));
        program("1", {"", "", "", "Ctrl + a"}, "Fire", true);
        program("2", {"b"});
        program("4", {"c"});
        QCOMPARE(frm->Doc.Mappings[0][0].Keystrokes,
                 (std::array<QString, 6>{"", "", "", "Ctrl + a", "", ""}));
        QVERIFY(frm->Doc.Mappings[0][0].Repeat);
        QCOMPARE(lines(frm->lstButtonSummary), QStringList({"1\tB1", "2\tB2", "4\tB4"}));
        QCOMPARE(frm->cmbRepeat->currentText(), QStringLiteral("False"));

        program("2", {"x", "y"}, "Jump"); // modified in place
        QCOMPARE(frm->Doc.Mappings[0].size(), 3);
        QCOMPARE(frm->Doc.Mappings[0][1].Keystrokes[1], QStringLiteral("y"));

        frm->ShowPressOnButtonsPage("8"); // identified, not mapped
        frm->btnDeleteClick();
        QCOMPARE(lastBox(), QStringLiteral("This button has not been added yet"));
        QCOMPARE(frm->Doc.Mappings[0].size(), 3);
    }

    void thirtyTwoMappingsPerMode()
    {
        for (int b = 1; b <= 33; ++b)
            frm->Doc.IdentifiedButtons.append({QString::number(b), QStringLiteral("B%1").arg(b)});
        for (int b = 1; b <= 33; ++b)
            program(QString::number(b), {"a"});
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(lastBox(), QStringLiteral("Maximum of 32 buttons allowed"));
        QCOMPARE(frm->Doc.Mappings[0].size(), 32);
        program("17", {"q"}, "changed");
        QCOMPARE(frm->Doc.Mappings[0][16].Purpose, QStringLiteral("changed"));
        chooseMode(2);
        for (int b = 2; b <= 33; ++b)
            program(QString::number(b), {"a"});
        QCOMPARE(frm->Doc.Mappings[1].size(), 32);
        QCOMPARE(boxes.size(), 1);
    }

    void modeChangeAndModeNames()
    {
        identify("1", "Trigger");
        program("1", {"a"}, "Fire");
        frm->lstButtonSummary->setCurrentRow(0);
        QCOMPARE(frm->txtButtonPurpose->text(), QStringLiteral("Fire"));
        showPage(frm->tabMode); // the names are taken when Buttons is shown
        frm->txtModeName[2]->clear();
        frm->txtModeName[1]->setText("Air");
        showPage(frm->tabButtons);
        chooseMode(2);
        QVERIFY(frm->txtButtonId->text().isEmpty() && frm->txtKey[0]->text().isEmpty());
        QVERIFY(lines(frm->lstButtonSummary).isEmpty());
        program("1", {"b"});
        QCOMPARE(frm->Doc.HighestUsedMode(), 2);
        QCOMPARE(frm->cmbMode->itemText(1), QStringLiteral("Air"));
        QCOMPARE(frm->cmbMode->itemText(2), QStringLiteral("Mode 3"));
        QVERIFY(frm->txtModeName[2]->text().isEmpty() && frm->Doc.ModeNames[2].isEmpty());
        chooseMode(1);
        QCOMPARE(lines(frm->lstButtonSummary), QStringList({"1\tTrigger"}));
    }

    void clearOnModeAndButtonsPages()
    {
        identify("1", "Trigger");
        program("1", {"a"}, "Fire");
        frm->ShowPressOnButtonsPage("1");
        frm->btnClearClick();
        QVERIFY(frm->txtButtonId->text().isEmpty() && frm->txtKey[0]->text().isEmpty());
        QCOMPARE(frm->Doc.Mappings[0].size(), 1);
        showPage(frm->tabMode);
        frm->ShowPressOnModePage("1");
        frm->txtSwitchKey->setText("F1");
        frm->txtModeName[0]->setText("Ground");
        frm->btnClearClick();
        QVERIFY(frm->Doc.ModeSwitchButton.isEmpty() && frm->Doc.ModeSwitchKey.isEmpty());
        QCOMPARE(frm->Doc.ModeNames[0], QStringLiteral("Ground"));
        QCOMPARE(frm->focusWidget(), frm->txtSwitchDesc);
    }

    void enterAdds()
    {
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
        showPage(frm->tabDescription); // not on other pages
        frm->txtTemplateDesc->setFocus();
        QTest::keyClick(frm->txtTemplateDesc, Qt::Key_Return);
        QVERIFY(boxes.isEmpty());
    }

    void enterClosingBoxAddsOnce()
    {
        corv::editor::SetMessageHandler({}); // real boxes, closed with Enter
        frm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frm.get()));
        showPage(frm->tabIdentify);
        frm->txtIdentifyDesc->setFocus();
        int shown = 0;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&shown] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box && box->isVisible()) {
                ++shown;
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        closer.start(20);
        QTest::keyClick(frm->txtIdentifyDesc, Qt::Key_Return);
        QTest::qWait(300);
        QCOMPARE(shown, 1);
    }

    void unknownButtonIdsHaveNoDescription()
    {
        frm->Doc.Mappings[0].append({"99", "Ghost", false, {"a"}}); // as a hand edit can
        identify("1", "Trigger");
        showPage(frm->tabButtons);
        QCOMPARE(lines(frm->lstButtonSummary), QStringList({"99\t"}));
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

    void textFieldsHoldWhatFilesKeep()
    {
        QCOMPARE(frm->txtIdentifyDesc->maxLength(), 255);
        for (QLineEdit* field : {frm->txtTemplateDesc, frm->txtButtonPurpose, frm->txtModeName[4]})
            QCOMPARE(field->maxLength(), 1023);
        frm->txtTemplateDesc->setText(QString(2000, QLatin1Char('x')));
        QCOMPARE(frm->Doc.Description.size(), 1023);
    }
};

QTEST_MAIN(TestTfrmMain)
#include "tst_TfrmMain.moc"
