#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <optional>

// Answers the modal boxes and dialogs a test provokes, from a timer, and
// remembers what each said. A message box is answered Yes where it asks (a
// file dialog's overwrite question), else accepted. A file dialog takes
// fileToChoose, typed as a whole path so that it does not depend on the
// folder view having loaded, or is cancelled when that is empty. A font
// dialog takes fontToChoose, or is cancelled.
class ModalCloser : public QObject
{
public:
    struct Seen {
        QString title;
        QString text; // a file dialog's: its name filters, joined by '|'
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool fileDialog = false;
    };
    QList<Seen> seen;
    QString fileToChoose;
    std::optional<QFont> fontToChoose;
    // Runs once while the next file dialog is up, as a press or a tick could.
    std::function<void()> whileFileDialogIsUp;

    ModalCloser()
    {
        connect(&timer_, &QTimer::timeout, this, &ModalCloser::closeModal);
        timer_.start(10);
    }

    QStringList titles() const
    {
        QStringList result;
        for (const Seen& s : seen)
            result << s.title;
        return result;
    }

private:
    void closeModal()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen.append({box->windowTitle(), box->text(), box->icon(), false});
            if (QAbstractButton* yes = box->button(QMessageBox::Yes))
                yes->click();
            else
                box->accept();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            seen.append({dialog->windowTitle(), dialog->nameFilters().join(u'|'),
                         QMessageBox::NoIcon, true});
            if (whileFileDialogIsUp)
                std::exchange(whileFileDialogIsUp, nullptr)();
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (fileToChoose.isEmpty() || !name) {
                dialog->reject();
                return;
            }
            name->setText(fileToChoose);
            // Queued: an overwrite question opens inside accept(), and this
            // timer must be free to answer it.
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        } else if (auto* font = qobject_cast<QFontDialog*>(modal)) {
            seen.append({font->windowTitle(), {}, QMessageBox::NoIcon, false});
            if (!fontToChoose) {
                font->reject();
                return;
            }
            font->setCurrentFont(*fontToChoose);
            font->accept();
        }
    }

    QTimer timer_;
};
