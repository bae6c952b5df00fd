#include "Manual.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace corv::editor
{

QUrl ManualUrl()
{
    return ManualUrl(QCoreApplication::applicationDirPath());
}

QUrl ManualUrl(const QString& programDir)
{
    const QFileInfo manual(QDir(programDir).filePath(QLatin1String(ManualRelativePath)));
    if (!manual.isFile())
        return QUrl();
    return QUrl::fromLocalFile(manual.canonicalFilePath());
}

} // namespace corv::editor
