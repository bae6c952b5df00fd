#include "TestFiles.h"
#include "editor/TemplateStore.h"
#include "template/ProfileFile.h"
#include "template/Template.h"
#include "template/TemplateFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace corv;
using namespace corv::editor;

namespace
{

const QString NoSwitchMessage = QStringLiteral(
    "Joystick buttons have been programmed for more than one mode. You must specify either a "
    "mode switching button OR a mode switching keystroke if you want this functionality.");
const QString BothMessage =
    QStringLiteral("You have specified a mode switching button AND a mode switching keystroke. "
                   "You can only have one or the other, not both.");
const QString ProgrammedMessage = QStringLiteral(
    "The button you have specified for the mode switching button has been programmed for normal "
    "use as well as for mode switching. You need to change the mode switching button OR remove "
    "the button being used.");

ButtonMapping mapping(const QString& id)
{
    return ButtonMapping{id, QString(), false, {QStringLiteral("a")}};
}

} // namespace

class tst_TemplateStore : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void checkBeforeSave_data();
    void checkBeforeSave();
    void refusedFileKeepsDocument_data();
    void refusedFileKeepsDocument();
};

void tst_TemplateStore::checkBeforeSave_data()
{
    QTest::addColumn<QList<int>>("modes"); // a mapping of button 1000 + i in each listed mode
    QTest::addColumn<QString>("switchButton");
    QTest::addColumn<QString>("switchKey");
    QTest::addColumn<QString>("message");

    QTest::newRow("mode 1 only, both set") << QList<int>{1, 1} << "7"
                                           << "F10"
                                           << "";
    QTest::newRow("mode 2, none") << QList<int>{1, 2} << ""
                                  << "" << NoSwitchMessage;
    QTest::newRow("mode 2, key") << QList<int>{3} << ""
                                 << "F10"
                                 << "";
    QTest::newRow("mode 2, both") << QList<int>{2} << "7"
                                  << "F10" << BothMessage;
    QTest::newRow("switch programmed, mode 1 only") << QList<int>{1} << "1000"
                                                    << "" << ProgrammedMessage;
    QTest::newRow("32 buttons and a switch button")
        << QList<int>(32, 1) << "7"
        << ""
        << "The mappings use 32 different buttons, but a template holds at most 31 besides the "
           "mode-switch button. The template was not saved.";
    QTest::newRow("switch rules before the limit") << QList<int>(33, 2) << ""
                                                   << "" << NoSwitchMessage;
}

void tst_TemplateStore::checkBeforeSave()
{
    QFETCH(QList<int>, modes);
    Template t;
    for (qsizetype i = 0; i < modes.size(); ++i)
        t.Mappings[modes[i] - 1].append(mapping(QString::number(1000 + i)));
    QFETCH(QString, switchButton);
    QFETCH(QString, switchKey);
    t.ModeSwitchButton = switchButton;
    t.ModeSwitchKey = switchKey;
    QTEST(CheckBeforeSave(t), "message");
}

void tst_TemplateStore::refusedFileKeepsDocument_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");

    const QString notATemplate = TemplateCheckMessage(TemplateCheck::NotATemplate);
    auto file = [this](const char* name, const QByteArray& bytes) {
        return corv::test::writeFile(dir_.filePath(QString::fromLatin1(name)), bytes);
    };
    const QString fifo = corv::test::makeFifo(dir_.filePath(QStringLiteral("fifo.joy")));
    const QString big = file("big.joy", "[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=x\n");
    QVERIFY(QFile::resize(big, ProfileFile::MaxFileSize + 1));

    QTest::newRow("missing") << dir_.filePath(QStringLiteral("none.joy"))
                             << int(QMessageBox::Critical) << "Error" << notATemplate;
    QTest::newRow("not a template") << file("text.joy", "[GLOBAL]\nMODE1NAME=x\n")
                                    << int(QMessageBox::Critical) << "Error" << notATemplate;
    QTest::newRow("earlier version")
        << file("old.joy", "[GLOBAL]\nMODE_SWITCH_BUTTON=\n") << int(QMessageBox::Information)
        << "Information" << TemplateCheckMessage(TemplateCheck::EarlierVersion);
    QTest::newRow("folder")
        << dir_.path() << int(QMessageBox::Critical) << "Error"
        << QStringLiteral("\"%1\" is a folder, not a template file.").arg(dir_.path());
    QTest::newRow("fifo") << fifo << int(QMessageBox::Critical) << "Error"
                          << QStringLiteral("\"%1\" is not a regular file (it is a pipe, socket or "
                                            "device), so it cannot be a template.")
                                 .arg(fifo);
    QTest::newRow("device") << "/dev/zero" << int(QMessageBox::Critical) << "Error"
                            << QStringLiteral("\"/dev/zero\" is not a regular file (it is a pipe, "
                                              "socket or device), so it cannot be a template.");
    QTest::newRow("over 1 MiB")
        << big << int(QMessageBox::Critical) << "Error"
        << QStringLiteral("\"%1\" is too large to be a template (over 1 MiB).").arg(big);
}

void tst_TemplateStore::refusedFileKeepsDocument()
{
    QFETCH(QString, path);
    Template doc;
    doc.Description = QStringLiteral("unsaved work");
    doc.Mappings[1].append(mapping(QStringLiteral("4")));
    const Template before = doc;

    const OpenResult result = OpenForEditing(path, doc);
    QCOMPARE(result.status, OpenResult::Refused);
    QTEST(int(result.icon), "icon");
    QTEST(result.caption, "caption");
    QTEST(result.text, "text");
    QCOMPARE(doc, before);
}

QTEST_GUILESS_MAIN(tst_TemplateStore)
#include "tst_TemplateStore.moc"
