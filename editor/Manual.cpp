#include "editor/Manual.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

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

void OpenManual()
{
    // A browser that does not start is not reported. The opener is started
    // detached, so that no defunct process of it stays behind the editor,
    // and so that the browser outlives the editor.
    const QUrl url = ManualUrl();
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty() || url.isEmpty() || !QProcess::startDetached(opener, {url.toString()}))
        QDesktopServices::openUrl(url);
}

} // namespace corv::editor
