#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace corv
{

// One entry of a template's APPS= list: a window class, matched whole
// against the window's WM_CLASS instance or class name, or "title:TEXT",
// matched as a part of its title; both without regard to case.
struct AppPattern {
    bool Title = false;
    QString Text;
    bool operator==(const AppPattern&) const = default;
};

// The entries of an APPS= value, split at ';' and trimmed. An empty entry
// or an empty title is left out, with a line for --check in *problems.
QList<AppPattern> ParseApps(const QString& value, QStringList* problems = nullptr);
// Whether the window matches any of the patterns.
bool AppsMatch(const QList<AppPattern>& apps, const QString& instance, const QString& windowClass,
               const QString& title);
// The patterns as APPS= spells them, joined by "; ".
QString AppsText(const QList<AppPattern>& apps);

} // namespace corv
