#pragma once

#include "ModalCloser.h"
#include "editor/MessageBox.h"
#include "editor/TfrmMain.h"
#include "platform/fake/FakeJoystick.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// A box the editor showed.
struct Box {
    QMessageBox::Icon kind;
    QString caption;
    QString text;
};

// The editor's main window on a fake joystick. Every box is recorded and
// answered at once: questions take the next of `answers`, OK when none is left.
class EditorTest : public QObject
{
protected:
    std::unique_ptr<corv::FakeJoystick> joystick;
    std::unique_ptr<corv::editor::TfrmMain> frm;
    QList<Box> boxes;
    QList<QMessageBox::StandardButton> answers;
    // Run while a box is up, as a press or a tick could.
    std::function<void()> whileBoxIsUp;

    void createEditor(corv::Joystick* other = nullptr)
    {
        // The editor's settings (the templates opened last) in a folder of the test's own.
        static QTemporaryDir settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        joystick = std::make_unique<corv::FakeJoystick>();
        boxes.clear();
        answers.clear();
        corv::editor::SetMessageHandler(
            [this](QMessageBox::Icon kind, const QString& caption, const QString& text) {
                boxes.append({kind, caption, text});
                if (whileBoxIsUp)
                    std::exchange(whileBoxIsUp, nullptr)();
                return answers.isEmpty() ? QMessageBox::Ok : answers.takeFirst();
            });
        frm = std::make_unique<corv::editor::TfrmMain>(other ? other : joystick.get());
        QVERIFY(frm->FormCreate());
        frm->show();
    }
    void destroyEditor()
    {
        frm.reset();
        joystick.reset();
        corv::editor::SetMessageHandler({});
    }

    QString lastBox() const { return boxes.isEmpty() ? QString() : boxes.last().text; }
    void showPage(QWidget* page) { frm->pagMain->setCurrentWidget(page); }

    // Identifies a button: pressed on the Identify page, named, added.
    void identify(const QString& id, const QString& description)
    {
        showPage(frm->tabIdentify);
        frm->ShowPressOnIdentifyPage(id);
        frm->txtIdentifyDesc->setText(description);
        frm->btnAddClick();
    }
    // Programs a button in the current mode as the Buttons page would.
    void program(const QString& id, const QStringList& keys, const QString& purpose = {},
                 bool repeat = false)
    {
        showPage(frm->tabButtons);
        frm->ShowPressOnButtonsPage(id);
        frm->txtButtonPurpose->setText(purpose);
        frm->cmbRepeat->setCurrentIndex(repeat ? 1 : 0);
        for (int k = 0; k < keys.size(); ++k)
            frm->txtKey[size_t(k)]->setText(keys[k]);
        frm->btnAddClick();
    }
    void chooseMode(int mode)
    {
        frm->cmbMode->setCurrentIndex(mode - 1);
        emit frm->cmbMode->activated(mode - 1);
    }
    static QStringList lines(const QListWidget* list)
    {
        return corv::editor::TfrmMain::Lines(list);
    }
};
