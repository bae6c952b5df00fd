#include "editor/RecentFiles.h"

#include <QFileInfo>
#include <QSettings>

namespace corv::editor
{

namespace
{

const QString Key = QStringLiteral("RecentFiles");

QSettings Store()
{
    return QSettings(QStringLiteral("Corvane"), QStringLiteral("corvedit"));
}

} // namespace

QStringList RecentFiles::Files()
{
    QStringList files;
    for (const QString& path : Store().value(Key).toStringList()) {
        if (QFileInfo(path).isFile() && !files.contains(path))
            files << path;
    }
    return files.mid(0, MaxCount);
}

void RecentFiles::Add(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = Files();
    files.removeAll(absolute);
    files.prepend(absolute);
    Store().setValue(Key, files.mid(0, MaxCount));
}

} // namespace corv::editor
