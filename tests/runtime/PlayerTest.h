#pragma once

#include "FakeHotKeyService.h"
#include "FakeJoystick.h"
#include "RecordingKeyInjector.h"
#include "TfrmMain.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

// Closes the modal boxes and dialogs a test provokes, from a timer, and
// remembers what they said.
class ModalCloser : public QObject
{
public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool fileDialog = false;
    };
    QList<Seen> seen;
    QString fileToChoose; // a file dialog accepts this file; empty cancels it

    ModalCloser()
    {
        connect(&timer_, &QTimer::timeout, this, &ModalCloser::closeModal);
        timer_.start(10);
    }

private:
    void closeModal()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen.append({box->windowTitle(), box->text(), box->icon(), false});
            box->accept();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            seen.append({dialog->windowTitle(), dialog->nameFilters().join(u'|'),
                         QMessageBox::NoIcon, true});
            if (fileToChoose.isEmpty()) {
                dialog->reject();
            } else if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) {
                // Typed as a whole path, so it does not depend on the folder
                // view having loaded.
                name->setText(fileToChoose);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        }
    }

    QTimer timer_;
};

// The player's main window on fake services, with its position store in a
// temporary folder and every modal box closed by a ModalCloser.
class PlayerTest : public QObject
{
protected:
    void createPlayer()
    {
        joystick = std::make_unique<corv::FakeJoystick>();
        keys = std::make_unique<corv::RecordingKeyInjector>();
        hotKeys = std::make_unique<corv::FakeHotKeyService>();
        frm = std::make_unique<corv::TfrmMain>(joystick.get(), keys.get(), hotKeys.get());
        closer = std::make_unique<ModalCloser>();
    }
    void destroyPlayer()
    {
        closer.reset();
        frm.reset();
    }
    static void useStore(const QString& path)
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
    }
    QString writeFile(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QTemporaryDir dir;
    std::unique_ptr<corv::FakeJoystick> joystick;
    std::unique_ptr<corv::RecordingKeyInjector> keys;
    std::unique_ptr<corv::FakeHotKeyService> hotKeys;
    std::unique_ptr<corv::TfrmMain> frm;
    std::unique_ptr<ModalCloser> closer;
};
