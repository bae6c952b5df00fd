#include "TemplateStore.h"

#include "ProfileFile.h"
#include "Template.h"
#include "TemplateFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corv::editor
{

namespace
{

OpenResult refused(QMessageBox::Icon icon, const QString& caption, const QString& text)
{
    return OpenResult{OpenResult::Refused, icon, caption, text};
}

OpenResult error(const QString& text)
{
    return refused(QMessageBox::Critical, QStringLiteral("Error"), text);
}

} // namespace

QString CheckBeforeSave(const Template& doc)
{
    const int highest = doc.HighestUsedMode();
    const bool hasButton = !doc.ModeSwitchButton.isEmpty();
    const bool hasKey = !doc.ModeSwitchKey.isEmpty();
    if (highest > 1 && !hasButton && !hasKey) {
        return QStringLiteral(
            "Joystick buttons have been programmed for more than one mode. "
            "You must specify either a mode switching button OR a mode switching keystroke "
            "if you want this functionality.");
    }
    if (highest > 1 && hasButton && hasKey) {
        return QStringLiteral("You have specified a mode switching button AND a mode switching "
                              "keystroke. You can only have one or the other, not both.");
    }
    if (hasButton && doc.IsButtonProgrammed(doc.ModeSwitchButton)) {
        return QStringLiteral(
            "The button you have specified for the mode switching button has "
            "been programmed for normal use as well as for mode switching. "
            "You need to change the mode switching button OR remove the button being used.");
    }
    return CheckMappingLimit(doc);
}

OpenResult OpenForEditing(const QString& path, Template& doc)
{
    const QString notATemplate = TemplateCheckMessage(TemplateCheck::NotATemplate);
    // Opened without blocking and checked on the open handle, so that neither
    // a FIFO nor a file swapped after the check can hang the editor.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A missing or unreadable file is not a template the editor can open.
        return error(notATemplate);
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return error(notATemplate);
    }
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return error(notATemplate);
    if (S_ISDIR(st.st_mode))
        return error(QStringLiteral("\"%1\" is a folder, not a template file.").arg(path));
    if (!S_ISREG(st.st_mode)) {
        return error(QStringLiteral("\"%1\" is not a regular file (it is a pipe, socket or "
                                    "device), so it cannot be a template.")
                         .arg(path));
    }
    const QString tooLarge =
        QStringLiteral("\"%1\" is too large to be a template (over 1 MiB).").arg(path);
    if (st.st_size > MaxTemplateFileSize)
        return error(tooLarge);
    // The size may still grow after the check; never read past the cap.
    const QByteArray bytes = file.read(MaxTemplateFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return error(notATemplate);
    if (bytes.size() > MaxTemplateFileSize)
        return error(tooLarge);

    const ProfileFile profile = ProfileFile::fromBytes(bytes);
    switch (CheckTemplate(profile)) {
    case TemplateCheck::NotATemplate:
        return error(notATemplate);
    case TemplateCheck::EarlierVersion:
        return refused(QMessageBox::Information, QStringLiteral("Information"),
                       TemplateCheckMessage(TemplateCheck::EarlierVersion));
    case TemplateCheck::Valid:
        break;
    }
    Template opened;
    ReadTemplate(profile, opened);
    doc = std::move(opened);
    return OpenResult{OpenResult::Opened, QMessageBox::NoIcon, QString(), QString()};
}

} // namespace corv::editor
