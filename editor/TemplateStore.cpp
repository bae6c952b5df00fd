#include "editor/TemplateStore.h"

#include "template/ProfileFile.h"
#include "template/Template.h"
#include "template/TemplateFile.h"

#include <QFileInfo>

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
    ProfileFile profile;
    switch (profile.load(path)) {
    case ProfileFile::LoadStatus::Loaded:
        break;
    case ProfileFile::LoadStatus::Missing:
    case ProfileFile::LoadStatus::Unreadable:
        // Not a template the editor can open.
        return error(notATemplate);
    case ProfileFile::LoadStatus::NotAFile:
        if (QFileInfo(path).isDir())
            return error(QStringLiteral("\"%1\" is a folder, not a template file.").arg(path));
        return error(QStringLiteral("\"%1\" is not a regular file (it is a pipe, socket or "
                                    "device), so it cannot be a template.")
                         .arg(path));
    case ProfileFile::LoadStatus::TooLarge:
        return error(
            QStringLiteral("\"%1\" is too large to be a template (over 1 MiB).").arg(path));
    }

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
