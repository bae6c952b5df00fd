// Saving, opening, the summary and printing, through the window's flows.
#include "CorvplayProcess.h"
#include "EditorTest.h"
#include "PdfText.h"
#include "TestFiles.h"
#include "editor/RecentFiles.h"
#include "editor/SummaryPrinter.h"
#include "template/TemplateFile.h"
#include "widgets/TColorGrid.h"
#include "widgets/TExplorerButton.h"

#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace corv;
using namespace corv::test;
using corv::editor::TfrmMain;

class TestSaveOpen : public EditorTest
{
    Q_OBJECT

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        createEditor();
    }
    void cleanup() { destroyEditor(); }

    void saveRefusalsComeBeforeTheDialog_data();
    void saveRefusalsComeBeforeTheDialog();
    void workedExampleSavesTheExampleFile();
    void saveWritesWhatWasChecked();
    void saveFailureKeepsFileNameAndSummary();
    void openThenSaveElsewhereIsTheSameFile();
    void gamepadExampleKeepsItsValuesAndPlays();
    void refusedFilesKeepTheDocument();
    void unidentifiedSwitchButtonSurvives();
    void summaryOccasions();
    void printingWithoutPrinterOffersPdf();
    void handWrittenTemplatesSave_data();
    void handWrittenTemplatesSave();
    void unidentifiedSwitchButtonCanBeCleared();
    void openAndSaveChangesNoTemplate_data();
    void openAndSaveChangesNoTemplate();
    void unsavedChangesOfferSaving_data();
    void unsavedChangesOfferSaving();
    void saveAndSaveAs_data();
    void saveAndSaveAs();
    void recentAndDroppedTemplates();

private:
    // Saves through the Save dialog to name; gives the saved text.
    QByteArray saveTo(const char* name)
    {
        ModalCloser closer;
        closer.fileToChoose = path(name);
        frm->SaveTemplateFile();
        return readFile(path(name));
    }
    QString path(const char* name) const { return dir_->filePath(QLatin1String(name)); }
    // The worked example of the file format, entered as a user would.
    void enterFlightExample()
    {
        identify("1", "Trigger");
        identify("2", "Thumb");
        identify("4", "Top");
        showPage(frm->tabMode);
        frm->txtModeName[0]->setText("Ground");
        frm->txtModeName[1]->setText("Air");
        frm->ShowPressOnModePage("4");
        program("1", {"Ctrl + Shift + a"}, "Fire", true);
        program("2", {"Space"}, "Jump");
        chooseMode(2);
        program("1", {"Enter", "", "Tab"}, "Missile");
        showPage(frm->tabDescription);
        frm->txtTemplateDesc->setText("Flight game");
    }

    std::unique_ptr<QTemporaryDir> dir_;
};

void TestSaveOpen::saveRefusalsComeBeforeTheDialog_data()
{
    // Each refusal's whole text is CheckBeforeSave's test; here, what the window does.
    QTest::addColumn<int>("setup");
    QTest::addColumn<QString>("refusal"); // empty: the dialog is shown
    QTest::newRow("mode 2, no switch") << 0
                                       << "Joystick buttons have been programmed for more "
                                          "than one mode. ";
    QTest::newRow("mode 1 with both") << 1 << "";
    QTest::newRow("33 buttons") << 2 << "The mappings use 33 different buttons";
}

void TestSaveOpen::saveRefusalsComeBeforeTheDialog()
{
    QFETCH(int, setup);
    QFETCH(QString, refusal);
    identify("1", "Trigger");
    identify("2", "Thumb");
    program("1", {"a"});
    if (setup == 0) {
        chooseMode(2);
        program("2", {"b"});
    }
    showPage(frm->tabMode);
    frm->txtSwitchKey->setText(setup == 0 ? "" : "F1");
    if (setup == 1)
        frm->ShowPressOnModePage("2");
    if (setup == 2) {
        for (int b = 3; b <= 34; ++b) {
            frm->Doc.IdentifiedButtons.append({QString::number(b), "x"});
            chooseMode(b <= 20 ? 1 : 2);
            program(QString::number(b), {"a"});
        }
    }

    ModalCloser closer; // cancels the dialog
    frm->btnSave->OnClick(frm->btnSave);
    if (refusal.isEmpty()) {
        QVERIFY(boxes.isEmpty());
        QCOMPARE(closer.titles(), QStringList{"Save Joystick Template"});
    } else {
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].caption, QStringLiteral("Information"));
        QVERIFY2(boxes[0].text.startsWith(refusal), qPrintable(boxes[0].text));
        QVERIFY(closer.seen.isEmpty());
    }
    QVERIFY(frm->TemplateFileName.isEmpty());
    QVERIFY(QDir(dir_->path()).isEmpty());
}

void TestSaveOpen::workedExampleSavesTheExampleFile()
{
    enterFlightExample();
    ModalCloser closer;
    closer.fileToChoose = path("flight"); // the suffix is added
    frm->SaveTemplateFile();
    const QString saved = path("flight.joy");
    QCOMPARE(frm->TemplateFileName, saved);
    const QString example = sourceFile("examples/flight.joy");
    QCOMPARE(readFile(saved), readFile(example));

    // Saving over it again, by the name without its suffix, asks first.
    frm->SaveTemplateFile();
    QCOMPARE(closer.seen.size(), 3);
    QVERIFY2(closer.seen[2].text.contains("flight.joy already exists"),
             qPrintable(closer.seen[2].text));
    QCOMPARE(readFile(saved), readFile(example));
}

void TestSaveOpen::saveWritesWhatWasChecked()
{
    identify("1", "Trigger");
    identify("2", "Thumb");
    program("1", {"a"});
    chooseMode(2);
    program("2", {"b"});
    showPage(frm->tabMode);
    frm->txtSwitchKey->setText("F1");
    ModalCloser closer;
    closer.fileToChoose = path("t.joy");
    // A press on the Mode page while the dialog is up adds a switch button,
    // which the checks would have refused.
    closer.whileFileDialogIsUp = [this] { frm->ShowPressOnModePage("1"); };
    frm->SaveTemplateFile();
    QCOMPARE(frm->Doc.ModeSwitchButton, QStringLiteral("1"));
    Template written;
    QVERIFY(ReadTemplate(path("t.joy"), written));
    QVERIFY(written.ModeSwitchButton.isEmpty());
    QCOMPARE(written.ModeSwitchKey, QStringLiteral("F1"));
}

void TestSaveOpen::saveFailureKeepsFileNameAndSummary()
{
    identify("1", "Trigger");
    ModalCloser closer;
    closer.fileToChoose = path("a.joy");
    frm->SaveTemplateFile();
    QCOMPARE(frm->TemplateFileName, path("a.joy"));
    const QStringList summary = lines(frm->lstCompleteSummary);
    QCOMPARE(summary.mid(summary.size() - 3), QStringList({"FILENAME:", path("a.joy"), ""}));

    // A folder that does not exist cannot be written to; a FIFO is not
    // opened, which would wait for a writer for ever.
    const QString fifo = makeFifo(path("fifo.joy"));
    frm->txtTemplateDesc->setText("changed");
    for (const QString& target : {path("no/such/folder/b.joy"), fifo}) {
        boxes.clear();
        closer.fileToChoose = target;
        frm->SaveTemplateFile();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].caption, QStringLiteral("Error"));
        QCOMPARE(lastBox(), QStringLiteral("Unable to write to %1").arg(target));
        QCOMPARE(frm->TemplateFileName, path("a.joy"));
        QCOMPARE(lines(frm->lstCompleteSummary), summary);
    }
}

void TestSaveOpen::gamepadExampleKeepsItsValuesAndPlays()
{
    QByteArray expected = readFile(sourceFile("examples/gamepad.joy"));
    frm->OpenTemplatePath(sourceFile("examples/gamepad.joy"));
    QVERIFY(frm->rbGamepad->isChecked());
    showPage(frm->tabResponse);
    QCOMPARE(frm->spnAxisThreshold->value(), 50);
    frm->spnChordMs->setValue(80);
    expected.replace("CHORD_MS=50", "CHORD_MS=80");
    // The trigger's Turbo and B6's Layer shown and added back; X (B3) made a
    // Toggle and B (B2) a switch to mode 2; mode 2's slot timing shown.
    showPage(frm->tabButtons);
    frm->ShowPressOnButtonsPage("AXIS6_POS");
    QCOMPARE(frm->cmbAction->currentText(), QStringLiteral("Turbo"));
    QCOMPARE(frm->spnRate->value(), 100);
    QCOMPARE(frm->spnPressMs->value(), 30);
    frm->btnAddClick();
    frm->ShowPressOnButtonsPage("B6");
    QCOMPARE(frm->cmbAction->currentText(), QStringLiteral("Layer"));
    frm->btnAddClick();
    for (const auto& [id, action] : {std::pair{"B3", 2}, {"B2", 4}}) {
        frm->ShowPressOnButtonsPage(id);
        frm->cmbAction->setCurrentIndex(action);
        frm->cmbActionMode->setCurrentIndex(1);
        frm->btnAddClick();
    }
    expected.replace("BUTTON9_1=82\n", "BUTTON9_1=82\nBUTTON9_ACTION=TOGGLE\n");
    expected.replace("BUTTON8_1=69\n", "BUTTON8_1=69\nBUTTON8_ACTION=MODE\nBUTTON8_MODE=2\n");
    chooseMode(2);
    frm->ShowPressOnButtonsPage("B3");
    QCOMPARE(frm->spnGapMs->value(), 20);
    frm->btnAddClick();
    // Every other value goes out as it came in.
    QCOMPARE(saveTo("pad.joy"), expected);
    QVERIFY2(boxes.isEmpty(), qPrintable(lastBox()));

    // Played: X toggles R around a tap of A (Space); B6 holds mode 2, where
    // A types 1; A and B together type Escape; B switches to mode 2 for good.
    CorvplayProcess player;
    player.platform = QStringLiteral("offscreen");
    player.start(QStringLiteral("print"), path("pad.joy"));
    const auto tap = [](int b) {
        return QByteArray("press %1\nwait 150\nrelease %1\nwait 150\n")
            .replace("%1", QByteArray::number(b));
    };
    QVERIFY(player.send(
        tap(3) + tap(1) + tap(3) + "press 6\nwait 150\n" + tap(1) + "release 6\nwait 150\n" +
        tap(1) + "press 1\npress 2\nwait 150\nrelease 2\nrelease 1\nwait 150\n" + tap(2) + tap(1)));
    const QString played = "m1 82+ 32+ 32- 82- m2 49+ 49- m1 32+ 32- 27+ 27- m2 49+ 49-";
    QString typed;
    const auto done = [&] {
        typed = typedOf(player.lines(), true).join(u' ');
        return typed.size() >= played.size();
    };
    QVERIFY2(QTest::qWaitFor(done, kTimeout), qPrintable(typed));
    QCOMPARE(typed, played);
}

void TestSaveOpen::openThenSaveElsewhereIsTheSameFile()
{
    const QString example = sourceFile("examples/flight.joy");
    showPage(frm->tabButtons);
    chooseMode(3);
    ModalCloser closer;
    closer.fileToChoose = example;
    frm->btnOpen->OnClick(frm->btnOpen);
    QCOMPARE(closer.titles(), QStringList{"Open Joystick Template"});
    QVERIFY(boxes.isEmpty());
    QCOMPARE(frm->TemplateFileName, example);
    // Mode 1 is shown, with its mappings and the names of the file.
    QCOMPARE(frm->CurrentMode, 1);
    QCOMPARE(frm->cmbMode->currentText(), QStringLiteral("Ground"));
    QCOMPARE(lines(frm->lstButtonSummary), QStringList({"1\tTrigger", "2\tThumb"}));
    QCOMPARE(frm->focusWidget(), frm->txtButtonPurpose);
    QCOMPARE(frm->txtSwitchDesc->text(), QStringLiteral("Top"));
    QCOMPARE(frm->txtTemplateDesc->text(), QStringLiteral("Flight game"));
    QVERIFY(frm->rbDigital->isChecked() && frm->rbDigital->isEnabled());
    QCOMPARE(lines(frm->lstCompleteSummary).first(), QStringLiteral("Flight game"));

    closer.fileToChoose = path("copy.joy");
    frm->SaveTemplateFile();
    QCOMPARE(readFile(path("copy.joy")), readFile(example));

    // The command line's template goes the same way.
    frm->ExplorerButton1Click();
    frm->OpenTemplatePath(path("copy.joy"));
    QCOMPARE(frm->Doc.Mappings[1].size(), 1);
}

void TestSaveOpen::refusedFilesKeepTheDocument()
{
    const QString fifo = makeFifo(path("fifo"));
    const QString notValid = QStringLiteral("This is not a valid joystick template file");
    const struct {
        QString file;
        const char* caption;
        QString start;
    } refused[] = {
        {writeFile(path("plain.txt"), "hello\n"), "Error", notValid},
        {writeFile(path("old.joy"), "[GLOBAL]\nMODE_SWITCH_BUTTON=\n"), "Information",
         "This template file is from an earlier version of The Corvane. "},
        {fifo, "Error", '"' + fifo + "\" is not a regular file"},
        {dir_->path(), "Error", '"' + dir_->path() + "\" is a folder"},
        {path("nothing.joy"), "Error", notValid},
    };
    identify("1", "Trigger");
    frm->txtTemplateDesc->setText("unsaved");
    const Template before = frm->Doc;
    for (const auto& r : refused) {
        boxes.clear();
        frm->OpenTemplatePath(r.file);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].caption, QString(r.caption));
        QVERIFY2(boxes[0].text.startsWith(r.start), qPrintable(boxes[0].text));
        QVERIFY(frm->Doc == before);
    }
    QCOMPARE(lines(frm->lstIdentify), QStringList{"1\tTrigger"});
    QVERIFY(frm->TemplateFileName.isEmpty());
}

void TestSaveOpen::unidentifiedSwitchButtonSurvives()
{
    const QString file =
        writeFile(path("switch.joy"), "[GLOBAL]\nMODE1NAME=Ground\nMODE_SWITCH_BUTTON=64\n"
                                      "RESPONSE=9\n[IDENTIFIED BUTTONS]\nNUMBER=1\n"
                                      "1=1,Trigger\n");
    frm->OpenTemplatePath(file);
    QVERIFY(boxes.isEmpty());
    QCOMPARE(frm->Doc.ModeSwitchButton, QStringLiteral("64"));
    QVERIFY(frm->txtSwitchDesc->text().isEmpty());
    QCOMPARE(frm->lblResponseValue->text(), QStringLiteral("Normal"));
    showPage(frm->tabMode);
    QVERIFY(frm->txtSwitchDesc->text().isEmpty());
    ModalCloser closer;
    closer.fileToChoose = path("resaved.joy");
    frm->SaveTemplateFile();
    Template resaved;
    QVERIFY(ReadTemplate(path("resaved.joy"), resaved));
    QCOMPARE(resaved.ModeSwitchButton, QStringLiteral("64"));
    QCOMPARE(resaved.Response, 3);
}

void TestSaveOpen::summaryOccasions()
{
    showPage(frm->tabSummary);
    QVERIFY(lines(frm->lstCompleteSummary).isEmpty());
    identify("1", "Trigger");
    program("1", {"a"}, "Fire");
    frm->txtTemplateDesc->setText("Flight");
    showPage(frm->tabSummary);
    const QStringList shown = lines(frm->lstCompleteSummary);
    QCOMPARE(shown.mid(0, 6),
             QStringList({"Flight", "", "", "Mode 1 Name: Mode 1:", "", "Trigger\tFire"}));
    QVERIFY(!shown.contains("FILENAME:"));

    // Without identified buttons the summary on show stays.
    frm->ShowPressOnButtonsPage("1");
    frm->btnDeleteClick();
    showPage(frm->tabIdentify);
    frm->ShowPressOnIdentifyPage("1");
    frm->btnDeleteClick();
    showPage(frm->tabSummary);
    QCOMPARE(lines(frm->lstCompleteSummary), shown);

    // A print rebuilds it first, under the same rule.
    answers << QMessageBox::Cancel;
    frm->btnPrintClick();
    QCOMPARE(lines(frm->lstCompleteSummary), shown);
}

void TestSaveOpen::printingWithoutPrinterOffersPdf()
{
    if (corv::editor::HasDefaultPrinter())
        QSKIP("This machine has a printer");
    frm->btnPrintClick();
    QCOMPARE(lastBox(), QStringLiteral("No summary data to print"));

    identify("1", "Trigger");
    program("1", {"a"}, "Fire");
    frm->txtTemplateDesc->setText("Flight");
    boxes.clear();
    answers << QMessageBox::Cancel;
    ModalCloser closer;
    frm->btnPrintClick();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].kind, QMessageBox::Question);
    QVERIFY(boxes[0].text.contains("PDF"));
    QVERIFY(closer.seen.isEmpty());

    // The summary as the document holds it now, without visiting the page.
    closer.fileToChoose = path("summary");
    frm->btnPrintClick();
    QCOMPARE(closer.titles(), QStringList{"Save Summary as PDF"});
    const QString printed = pdfText(path("summary.pdf"));
    QVERIFY2(printed.contains("Flight") && printed.contains("Trigger") &&
                 printed.contains("Fire") && printed.indexOf("Flight") < printed.indexOf("Fire"),
             qPrintable(printed));

    // A printer failure is shown, and the editor goes on.
    closer.fileToChoose = path("no/such/folder/summary.pdf");
    frm->btnPrintClick();
    QCOMPARE(boxes.last().caption, QStringLiteral("Error"));
    QVERIFY(!boxes.last().text.isEmpty());
}

void TestSaveOpen::handWrittenTemplatesSave_data()
{
    // What follows the [GLOBAL] head; the box the save shows, if any; the
    // colours shown; what the saved file holds ("!": does not hold).
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<int>("fore");
    QTest::addColumn<int>("back");
    QTest::addColumn<QByteArrayList>("saved");
    QTest::newRow("grid colours")
        << QByteArray("FORECOLOURS=clWhite\nBACKCOLOURS=clNavy\n") << QString() << 15 << 4
        << QByteArrayList{"FORECOLOUR=15\nFORECOLOURS=clWhite\nBACKCOLOUR=4\nBACKCOLOURS=clNavy\n"};
    QTest::newRow("other colours")
        << QByteArray("FORECOLOURS=clBtnFace\nBACKCOLOURS=$00123456\n") << QString() << 0 << 7
        << QByteArrayList{"\nFORECOLOURS=clBtnFace\nBACKCOLOURS=$00123456\n"};
    const QByteArray mapping = "INPUTS=SEPARATE\nMODES=1\nBUTTONS=2\n[MAPPING]\nBUTTON1=1\n"
                               "BUTTON2=2\n[MODE1]\nBUTTON2_COUNT=1\nBUTTON2_1=65\n";
    QTest::newRow("mapping without keys")
        << mapping + "BUTTON1_COUNT=1\nBUTTON1_1=0x41\n"
        << "button 1 has no key" << 0 << 7
        << QByteArrayList{"[MAPPING]\nBUTTON1=2\n", "BUTTON1_1=65\n", "!COUNT=0", "!BUTTON2="};
    QTest::newRow("mode switch needs no key")
        << mapping + "BUTTON1_COUNT=0\nBUTTON1_ACTION=MODE\nBUTTON1_MODE=2\n"
        << QString() << 0 << 7
        << QByteArrayList{"BUTTON1_COUNT=0\n", "BUTTON1_ACTION=MODE\n", "BUTTON1_MODE=2\n"};
}

void TestSaveOpen::handWrittenTemplatesSave()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, warning);
    QFETCH(int, fore);
    QFETCH(int, back);
    QFETCH(QByteArrayList, saved);
    // Saved, then saved again from the saved file: what was kept (a colour's
    // text, say) is not traded for something else the second time.
    QByteArray text = "[GLOBAL]\nMODE1NAME=A\nMODE_SWITCH_BUTTON=\n" + body;
    for (const char* name : {"a.joy", "b.joy"}) {
        frm->OpenTemplatePath(writeFile(path("in.joy"), text));
        frm->txtTemplateDesc->setText(frm->txtTemplateDesc->text() + "!"); // for the save to write
        text = saveTo(name);
        QCOMPARE(frm->ColorGrid1->ForegroundIndex(), fore);
        QCOMPARE(frm->ColorGrid1->BackgroundIndex(), back);
        for (const QByteArray& line : saved)
            QVERIFY2(text.contains(line.mid(line.startsWith('!'))) != line.startsWith('!'),
                     (line + " and\n" + text).constData());
    }
    // Only the first opening warns: the save left the mapping without keys out.
    QCOMPARE(boxes.size(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty())
        QVERIFY2(boxes[0].text.contains(warning), qPrintable(boxes[0].text));
    // A colour the user picks replaces the text; the other one stays.
    frm->ColorGrid1->setBackgroundIndex(2);
    text = saveTo("c.joy");
    QVERIFY2(text.contains("BACKCOLOUR=2\nBACKCOLOURS=clGreen\n"), text.constData());
    QVERIFY(text.contains(saved[0].left(saved[0].indexOf("BACKCOLOUR"))));
}

void TestSaveOpen::unidentifiedSwitchButtonCanBeCleared()
{
    frm->OpenTemplatePath(writeFile(path("s.joy"), "[GLOBAL]\nMODE1NAME=A\nMODE_SWITCH_BUTTON=4\n"
                                                   "MODE_SWITCH_KEY=112\n[MAPPING]\nBUTTON1=1\n"
                                                   "[MODE2]\nBUTTON1_COUNT=1\nBUTTON1_1=65\n"));
    showPage(frm->tabMode);
    // The ButtonId stands in the field, without a description.
    QVERIFY(frm->txtSwitchDesc->text().isEmpty() && frm->txtSwitchDesc->isVisible());
    QCOMPARE(frm->txtSwitchDesc->placeholderText(), QStringLiteral("4"));
    frm->btnClearClick();
    QVERIFY(frm->txtSwitchDesc->placeholderText().isEmpty());
    frm->txtSwitchKey->setText("F1");
    boxes.clear();
    saveTo("t.joy");
    QVERIFY(boxes.isEmpty());
    QCOMPARE(frm->TemplateFileName, path("t.joy"));
}

void TestSaveOpen::openAndSaveChangesNoTemplate_data()
{
    QTest::addColumn<QString>("file");
    for (const char* folder : {"examples", "tests"}) {
        QDirIterator it(sourceFile(QLatin1String(folder)), {"*.joy"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            QTest::newRow(qPrintable(QDir(sourceFile({})).relativeFilePath(file))) << file;
        }
    }
}

void TestSaveOpen::openAndSaveChangesNoTemplate()
{
    QFETCH(QString, file);
    const QByteArray original = readFile(file);
    const QString copy = writeFile(path("copy.joy"), original);
    ModalCloser closer;
    closer.fileToChoose = copy;
    frm->OpenTemplateFile();
    QVERIFY2(boxes.isEmpty(), qPrintable(lastBox()));
    QVERIFY(!frm->IsModified());
    // Over itself, then elsewhere.
    frm->SaveTemplateFile();
    QCOMPARE(readFile(copy), original);
    closer.fileToChoose = path("other.joy");
    frm->SaveTemplateFile();
    QCOMPARE(readFile(path("other.joy")), original);
    const QString save = "Save Joystick Template"; // also the question to replace copy.joy
    QCOMPARE(closer.titles(), QStringList({"Open Joystick Template", save, save, save}));
    // Neither a dialog nor its completion list outlives its use.
    QVERIFY(frm->findChildren<QFileDialog*>().isEmpty());
    QVERIFY(!QApplication::activePopupWidget());
}

void TestSaveOpen::unsavedChangesOfferSaving_data()
{
    // The action; whether a.joy is open (else a new document) and changed;
    // the answer; the Save dialog's choice (none: cancelled); the box's
    // texts; whether the action went on.
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("saveAs");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("goesOn");
    const QString untitled = "This template has unsaved changes. Save them first?";
    QTest::newRow("new without changes: the box as ever")
        << "new" << true << false << int(QMessageBox::Ok) << QString()
        << QStringList{"Start a new template?", ""} << true;
    QTest::newRow("new, saved first") << "new" << false << true << int(QMessageBox::Save) << "n.joy"
                                      << QStringList{"Start a new template?", untitled} << true;
    QTest::newRow("open, discarded")
        << "open" << true << true << int(QMessageBox::Discard) << QString()
        << QStringList{"Open b.joy?", "a.joy has unsaved changes. Save them first?"} << true;
    QTest::newRow("device type, cancelled")
        << "type" << false << true << int(QMessageBox::Cancel) << QString()
        << QStringList{"Changing from Digital to Analog will clear all settings. Continue?",
                       untitled}
        << false;
    QTest::newRow("exit, save cancelled keeps the window")
        << "exit" << false << true << int(QMessageBox::Save) << QString()
        << QStringList{"Exit The Corvane?", untitled} << false;
}

void TestSaveOpen::unsavedChangesOfferSaving()
{
    QFETCH(QString, action);
    QFETCH(bool, opened);
    QFETCH(bool, modified);
    QFETCH(int, answer);
    QFETCH(QString, saveAs);
    QFETCH(QStringList, texts);
    QFETCH(bool, goesOn);
    const QByteArray original = "[GLOBAL]\nMODE1NAME=A\nMODE_SWITCH_BUTTON=\n";
    if (opened)
        frm->OpenTemplatePath(writeFile(path("a.joy"), original));
    if (modified)
        frm->txtTemplateDesc->setText("changed");
    // The real boxes, answered from a timer.
    corv::editor::SetMessageHandler({});
    QStringList seen;
    QMessageBox::StandardButtons buttons;
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal); box && seen.isEmpty()) {
            seen << box->text() << box->informativeText();
            buttons = box->standardButtons();
            box->button(QMessageBox::StandardButton(answer))->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path(qPrintable(saveAs)));
            QMetaObject::invokeMethod(dialog, saveAs.isEmpty() ? "reject" : "accept");
        }
    });
    answerer.start(10);
    const Template before = frm->Doc;
    const QString b = writeFile(path("b.joy"), "[GLOBAL]\nMODE1NAME=B\nMODE_SWITCH_BUTTON=\n");
    if (action == u"new")
        frm->ExplorerButton1Click();
    else if (action == u"open")
        frm->OpenTemplatePath(b);
    else if (action == u"type")
        frm->rbAnalogue->click();
    else
        frm->close();
    QCOMPARE(seen, texts);
    QCOMPARE(buttons, modified ? QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel
                               : QMessageBox::Ok | QMessageBox::Cancel);
    if (!saveAs.isEmpty())
        QVERIFY(readFile(path(qPrintable(saveAs))).contains("DESCRIPTION=changed\n"));
    if (opened)
        QCOMPARE(readFile(path("a.joy")), original);
    QCOMPARE(frm->Doc == before, !goesOn);
    QCOMPARE(frm->isVisible(), action != u"exit" || !goesOn);
}

void TestSaveOpen::saveAndSaveAs_data()
{
    QTest::addColumn<bool>("opened"); // a.joy is open, else a new document
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("press"); // on the Mode page while the dialog is up
    QTest::newRow("Save writes the open file") << true << "Ctrl+S" << false << false;
    QTest::newRow("Save asks for a new document's name") << false << "button" << true << false;
    QTest::newRow("Save As asks for the open file's") << true << "Ctrl+Shift+S" << true << false;
    QTest::newRow("Save As on Save's menu") << true << "menu" << true << false;
    QTest::newRow("press during the dialog stays unsaved") << false << "button" << true << true;
}

void TestSaveOpen::saveAndSaveAs()
{
    QFETCH(bool, opened);
    QFETCH(QString, how);
    QFETCH(bool, asks);
    QFETCH(bool, press);
    const QByteArray original = "[GLOBAL]\nMODE1NAME=A\nMODE_SWITCH_BUTTON=\n";
    if (opened)
        frm->OpenTemplatePath(writeFile(path("a.joy"), original));
    frm->txtTemplateDesc->setText("changed");
    ModalCloser closer;
    if (press) {
        identify("1", "Trigger");
        showPage(frm->tabMode);
        closer.whileFileDialogIsUp = [this] { frm->ShowPressOnModePage("1"); };
    }
    QCOMPARE(frm->windowTitle(),
             (opened ? "a.joy" : "Untitled") + QStringLiteral("* \u2014 Corvane"));
    frm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frm.get()));
    closer.fileToChoose = path("b.joy");
    if (how == u"button")
        frm->btnSave->OnClick(frm->btnSave);
    else if (how == u"menu")
        frm->btnSave->PopupMenu()->actions().at(1)->trigger();
    else
        QTest::keySequence(frm.get(), QKeySequence(how));
    QCOMPARE(closer.titles(), asks ? QStringList{"Save Joystick Template"} : QStringList());
    const QString target = path(asks ? "b.joy" : "a.joy");
    // The file has what was checked before the dialog; the press is an unsaved change.
    const QByteArray written = readFile(target);
    QVERIFY2(written.contains("DESCRIPTION=changed\n") && written.contains("MODE_SWITCH_BUTTON=\n"),
             written.constData());
    if (opened)
        QCOMPARE(readFile(path("a.joy")) == original, asks);
    QCOMPARE(frm->TemplateFileName, target);
    QCOMPARE(frm->IsModified(), press);
    QCOMPARE(frm->windowTitle(),
             QFileInfo(target).fileName() + (press ? "*" : "") + QStringLiteral(" \u2014 Corvane"));
}

void TestSaveOpen::recentAndDroppedTemplates()
{
    QSettings(QStringLiteral("Corvane"), QStringLiteral("corvedit")).clear();
    // Ten opened, then the fourth newest again: the eight newest are kept,
    // and one of them deleted since is not offered.
    QStringList opened;
    for (int n = 1; n <= 10; ++n) {
        opened.prepend(writeFile(path(qPrintable(QStringLiteral("t%1.joy").arg(n))),
                                 "[GLOBAL]\nMODE1NAME=A\nMODE_SWITCH_BUTTON=\n"));
        frm->OpenTemplatePath(opened.first());
    }
    frm->OpenTemplatePath(opened[3]);
    opened.move(3, 0);
    QVERIFY(QFile::remove(opened.takeAt(1)));
    QMenu* menu = frm->btnOpen->PopupMenu();
    emit menu->aboutToShow();
    QStringList offered;
    for (const QAction* action : menu->actions())
        offered << action->data().toStringList();
    QCOMPARE(offered, opened.mid(0, corv::editor::RecentFiles::MaxCount - 1));

    // A recent file and a dropped one open as Open does, asking about unsaved changes.
    frm->txtTemplateDesc->setText("changed");
    answers << QMessageBox::Cancel;
    menu->actions().constLast()->trigger();
    QCOMPARE(lastBox(), "Open " + QFileInfo(offered.last()).fileName() + "?");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(opened[7])});
    QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(frm.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(frm.get(), &drop);
    QVERIFY(QTest::qWaitFor([&] { return frm->TemplateFileName == opened[7]; }));
    QCOMPARE(boxes.size(), 2);
}

QTEST_MAIN(TestSaveOpen)
#include "tst_SaveOpen.moc"
