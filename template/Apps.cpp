#include "template/Apps.h"

namespace corv
{

namespace
{
constexpr QLatin1String TitlePrefix("title:");
}

QList<AppPattern> ParseApps(const QString& value, QStringList* problems)
{
    QList<AppPattern> apps;
    const QStringList entries = value.split(u';');
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString entry = entries[i].trimmed();
        if (entry.isEmpty()) {
            // A trailing ';' is harmless; an empty entry between others is a slip.
            if (problems && i + 1 < entries.size())
                *problems << QStringLiteral("entry %1 is empty").arg(i + 1);
            continue;
        }
        AppPattern app;
        app.Title = entry.startsWith(TitlePrefix, Qt::CaseInsensitive);
        app.Text = app.Title ? entry.mid(TitlePrefix.size()).trimmed() : entry;
        if (app.Text.isEmpty()) {
            // It would match every window.
            if (problems)
                *problems << QStringLiteral("entry %1 (\"%2\") has no text and is left out")
                                 .arg(i + 1)
                                 .arg(entry);
            continue;
        }
        if (!apps.contains(app))
            apps << app;
    }
    return apps;
}

bool AppsMatch(const QList<AppPattern>& apps, const QString& instance, const QString& windowClass,
               const QString& title)
{
    for (const AppPattern& app : apps) {
        if (app.Title ? title.contains(app.Text, Qt::CaseInsensitive)
                      : app.Text.compare(instance, Qt::CaseInsensitive) == 0 ||
                            app.Text.compare(windowClass, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString AppsText(const QList<AppPattern>& apps)
{
    QStringList parts;
    for (const AppPattern& app : apps)
        parts << (app.Title ? QString(TitlePrefix) + app.Text : app.Text);
    return parts.join(QStringLiteral("; "));
}

} // namespace corv
