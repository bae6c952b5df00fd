#include "editor/TemplateStore.h"

#include "template/ProfileFile.h"
#include "template/Template.h"
#include "template/TemplateFile.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QSaveFile>
#include <QSignalBlocker>

namespace corv::editor
{

namespace
{

OpenResult refused(QMessageBox::Icon icon, const QString& caption, const QString& text)
{
    return OpenResult{OpenResult::Refused, icon, caption, text, {}, {}};
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
    if (highest > 1 && !hasButton && !hasKey && !HasModeActions(doc)) {
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
    OpenResult result{OpenResult::Opened, QMessageBox::NoIcon, QString(), QString(), {}, {}};
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        result.bytes = file.read(ProfileFile::MaxFileSize + 1);
    // A mapping whose keys are all outside the key table sends nothing and
    // cannot be shown; a save leaves it out, so say so now.
    for (int m = 1; m <= MaxModes; ++m) {
        for (const ButtonMapping& mapping : opened.Mappings[size_t(m - 1)]) {
            if (!IsUsableMapping(mapping))
                result.warnings << QStringLiteral("[MODE%1]: the mapping of button %2 has no key "
                                                  "this editor knows, so it sends nothing; it "
                                                  "is left out when the template is saved "
                                                  "with changes.")
                                       .arg(m)
                                       .arg(mapping.ButtonId);
        }
    }
    doc = std::move(opened);
    return result;
}

bool SaveForEditing(const Template& doc, const QString& path, const QByteArray& unchanged,
                    QByteArray* written, QString* error)
{
    if (unchanged.isEmpty()) {
        if (!WriteTemplate(doc, path, error))
            return false;
        QFile file(path);
        if (written && file.open(QIODevice::ReadOnly))
            *written = file.read(ProfileFile::MaxFileSize + 1);
        return true;
    }
    // The same refusals as a written save: nothing but a regular file is
    // replaced. The limits still hold for what is written.
    ProfileFile existing;
    const ProfileFile::LoadStatus status = existing.load(path);
    QString refusal = CheckMappingLimit(doc);
    if (refusal.isEmpty() && status != ProfileFile::LoadStatus::Loaded &&
        status != ProfileFile::LoadStatus::Missing)
        refusal = QStringLiteral("Unable to write to %1").arg(path);
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (refusal.isEmpty() && !(file.open(QIODevice::WriteOnly) &&
                               file.write(unchanged) == unchanged.size() && file.commit()))
        refusal = QStringLiteral("Unable to write to %1").arg(path);
    if (!refusal.isEmpty()) {
        if (error)
            *error = refusal;
        return false;
    }
    if (written)
        *written = unchanged;
    return true;
}

QString AskTemplateFileName(QWidget* parent, bool save, const QString& start)
{
    // Made for each use: a dialog kept between uses keeps its completion
    // list too, which can stay on screen and swallow the next input. Qt's
    // own dialog: its overwrite question covers the name with the suffix
    // added, which a desktop's native dialog does not know of.
    QFileDialog dialog(parent, save ? QStringLiteral("Save Joystick Template")
                                    : QStringLiteral("Open Joystick Template"));
    dialog.setObjectName(save ? QStringLiteral("dlgSave") : QStringLiteral("dlgOpen"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // Open, too, takes any name
    dialog.setNameFilters(
        {QStringLiteral("Joystick File (*.joy)"), QStringLiteral("Any File (*)")});
    dialog.setDefaultSuffix(QStringLiteral("joy"));
    if (!start.isEmpty()) {
        dialog.setDirectory(QFileInfo(start).absolutePath());
        // The name only, not a selection of the file in the list: a
        // selection would win over another name typed while the name field
        // does not have the keyboard.
        if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            const QSignalBlocker quiet(name);
            name->setText(QFileInfo(start).fileName());
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString DroppedTemplate(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return QString();
    const QUrl url = data->urls().constFirst();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

} // namespace corv::editor
