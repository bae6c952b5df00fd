#include "editor/RecentFiles.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
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

void RecentFiles::AddToMenu(QMenu* menu, QObject* context,
                            const std::function<void(const QString&)>& open)
{
    const QStringList files = Files();
    if (files.isEmpty())
        menu->addAction(QStringLiteral("No recent templates"))->setEnabled(false);
    for (int n = 0; n < files.size(); ++n) {
        const QString path = files[n];
        // "&1 flight.joy", its folder in the hint; a name's own & is no accelerator.
        QAction* recent =
            menu->addAction(QStringLiteral("&%1 %2").arg(n + 1).arg(
                                QFileInfo(path).fileName().replace(u'&', QStringLiteral("&&"))),
                            context, [open, path] { open(path); });
        recent->setData(path);
        recent->setToolTip(path);
        recent->setStatusTip(path);
    }
}

} // namespace corv::editor
