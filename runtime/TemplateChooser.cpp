#include "runtime/TemplateChooser.h"

#include "template/ProfileFile.h"
#include "template/RuntimeTemplate.h"
#include "template/TemplateFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace corv
{

QString TemplateChooser::DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/corvane/templates");
}

TemplateChooser::TemplateChooser(const QString& folder, QObject* parent)
    : QObject(parent), folder_(QDir::cleanPath(QDir(folder).absolutePath()))
{
    // An editor saves by writing a new file and renaming it over the old,
    // which the folder's watch sees; the files' own watch sees writes in place.
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this,
            &TemplateChooser::folderChanged);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &TemplateChooser::folderChanged);
}

bool TemplateChooser::Scan(QString* error)
{
    QDir dir(folder_);
    if (!dir.exists() && !QDir().mkpath(folder_)) {
        if (error)
            *error = QStringLiteral("%1: cannot create the folder").arg(folder_);
        return false;
    }
    if (!QFileInfo(folder_).isReadable()) {
        if (error)
            *error = QStringLiteral("%1: cannot read the folder").arg(folder_);
        return false;
    }
    QList<Entry> found;
    QString fallback;
    const QFileInfoList files =
        dir.entryInfoList({QStringLiteral("*.joy")}, QDir::Files, QDir::Name);
    for (const QFileInfo& info : files) {
        const QString path = info.absoluteFilePath();
        ProfileFile file;
        const TemplateCheck check = file.load(path) == ProfileFile::LoadStatus::Loaded
                                        ? CheckTemplate(file)
                                        : TemplateCheck::NotATemplate;
        if (check != TemplateCheck::Valid) {
            if (reported_.value(path) != info.lastModified()) {
                reported_.insert(path, info.lastModified());
                QString cause = TemplateCheckCause(path);
                if (cause.isEmpty())
                    cause = path + (check == TemplateCheck::EarlierVersion
                                        ? QStringLiteral(": is from an earlier version")
                                        : QStringLiteral(": is not a template"));
                qWarning("%s; skipped", qPrintable(cause));
            }
            continue;
        }
        reported_.remove(path);
        RuntimeTemplate t;
        ReadRuntimeTemplate(file, t);
        found.append({path, info.lastModified(), t.Apps});
        if (info.fileName().compare(DefaultName, Qt::CaseInsensitive) == 0)
            fallback = path;
    }
    if (!watcher_.directories().contains(folder_))
        watcher_.addPath(folder_);
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    for (const QFileInfo& info : files)
        watcher_.addPath(info.absoluteFilePath());
    // A file written after it was read and before its watch began (while it
    // is being saved or copied) would go unseen: read the folder once more.
    for (const QFileInfo& info : files) {
        const QFileInfo now(info.absoluteFilePath());
        if (now.lastModified() != info.lastModified() || now.size() != info.size()) {
            QMetaObject::invokeMethod(this, &TemplateChooser::folderChanged, Qt::QueuedConnection);
            break;
        }
    }
    const bool changed = found != templates_ || fallback != default_;
    templates_ = found;
    default_ = fallback;
    if (changed)
        emit TemplatesChanged();
    return true;
}

QString TemplateChooser::Choose(const QString& instance, const QString& windowClass,
                                const QString& title) const
{
    for (const Entry& entry : templates_) {
        if (AppsMatch(entry.Apps, instance, windowClass, title))
            return entry.Path;
    }
    return default_;
}

void TemplateChooser::folderChanged()
{
    QString error;
    if (!Scan(&error))
        qWarning("%s", qPrintable(error));
}

} // namespace corv
