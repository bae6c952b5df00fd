#include "editor/TemplateStore.h"

#include "template/ProfileFile.h"
#include "template/Template.h"
#include "template/TemplateFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

// Whether a mapping switches modes itself (ACTION=MODE or LAYER): such a
// template reaches its other modes without a switch button or key.
static bool SwitchesByMapping(const Template& doc)
{
    for (const QList<ButtonMapping>& mode : doc.Mappings) {
        for (const ButtonMapping& mapping : mode) {
            for (const auto& [key, value] : mapping.Extras) {
                if (key == QLatin1String("ACTION") &&
                    (value.compare(QLatin1String("MODE"), Qt::CaseInsensitive) == 0 ||
                     value.compare(QLatin1String("LAYER"), Qt::CaseInsensitive) == 0))
                    return true;
            }
        }
    }
    return false;
}

QString CheckBeforeSave(const Template& doc)
{
    const int highest = doc.HighestUsedMode();
    const bool hasButton = !doc.ModeSwitchButton.isEmpty();
    const bool hasKey = !doc.ModeSwitchKey.isEmpty();
    if (highest > 1 && !hasButton && !hasKey && !SwitchesByMapping(doc)) {
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

} // namespace corv::editor
