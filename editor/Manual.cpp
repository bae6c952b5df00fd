#include "editor/Manual.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace corv::editor
{

namespace
{

// Where the manual stands relative to the program's folder, both installed
// (<prefix>/bin and <prefix>/share/doc/corvane/manual) and in the build tree;
// the build says where that is.
constexpr char ManualRelativePath[] = CORVANE_MANUAL_DIR "/index.html";

} // namespace

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
