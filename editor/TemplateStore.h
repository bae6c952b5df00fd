#pragma once

#include <QMessageBox>
#include <QString>

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
};

// Reads the template at path into doc. doc is replaced only when the file
// opens; a refused file leaves it as it was, and the result carries the box
// to show. Only regular files up to ProfileFile::MaxFileSize are read, so a
// FIFO or a device cannot block the editor.
OpenResult OpenForEditing(const QString& path, Template& doc);

} // namespace corv::editor
