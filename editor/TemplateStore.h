#pragma once

#include <QByteArray>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QMimeData;
class QWidget;

namespace corv
{
struct Template;
}

namespace corv::editor
{

// Why the document may not be saved, as the message to show; empty when it
// may. The mode-switch rules come first, then the "MAPPING" limit. Check the
// very copy that is then written: a joystick press handled while the save
// dialog is open may change the document.
QString CheckBeforeSave(const Template& doc);

struct OpenResult {
    enum Status { Opened, Refused } status;
    QMessageBox::Icon icon; // the box to show when refused
    QString caption;
    QString text;
    QByteArray bytes;     // opened: the file as read
    QStringList warnings; // opened: what the editor cannot keep of it
};

// Reads the template at path into doc. doc is replaced only when the file
// opens; a refused file leaves it as it was, and the result carries the box
// to show. Only regular files up to ProfileFile::MaxFileSize are read, so a
// FIFO or a device cannot block the editor.
OpenResult OpenForEditing(const QString& path, Template& doc);

// Writes doc to path as the editor saves. unchanged, when not empty, holds
// the bytes of the file doc was read from and not changed since: those are
// written as they are, so that an open and a save alter nothing. *written
// gets the bytes now in the file.
bool SaveForEditing(const Template& doc, const QString& path, const QByteArray& unchanged,
                    QByteArray* written, QString* error);

// Asks for a template's path in the Save or Open dialog over parent, which
// starts at start when it is given; empty when cancelled.
QString AskTemplateFileName(QWidget* parent, bool save, const QString& start);

// The one local file dropped (a template to open as Open would), or empty.
QString DroppedTemplate(const QMimeData* data);

} // namespace corv::editor
