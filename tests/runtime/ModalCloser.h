#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

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
            } else {
                dialog->selectFile(fileToChoose);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        }
    }

    QTimer timer_;
};
