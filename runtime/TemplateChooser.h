#pragma once

#include "template/Apps.h"

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

namespace corv
{

// The templates of one folder, each with the programs its APPS= names, and
// which of them plays for a window. A template added, changed or removed
// there is read again by itself; one that does not load is reported once
// (until it changes) and left out.
class TemplateChooser : public QObject
{
    Q_OBJECT

public:
    // The folder a player that follows the focus reads when none is named.
    static QString DefaultFolder();
    // The template that plays when no other matches.
    static inline const QString DefaultName = QStringLiteral("default.joy");

    explicit TemplateChooser(const QString& folder, QObject* parent = nullptr);

    // Reads the folder, creating it when missing. False, with *error set,
    // when it cannot be created or read.
    bool Scan(QString* error = nullptr);
    // The first template, by file name, whose APPS matches the window; else
    // default.joy when it loads; else empty: nothing plays.
    QString Choose(const QString& instance, const QString& windowClass, const QString& title) const;
    QString Folder() const { return folder_; }
    int Count() const { return int(templates_.size()); }

signals:
    // After a rescan that changed what the folder offers.
    void TemplatesChanged();

private:
    struct Entry {
        QString Path;
        QDateTime Modified;
        QList<AppPattern> Apps;
        bool operator==(const Entry&) const = default;
    };
    void folderChanged();

    QString folder_;
    QList<Entry> templates_;
    QString default_;
    // Files reported as not loading, with the time they had then.
    QHash<QString, QDateTime> reported_;
    QFileSystemWatcher watcher_;
};

} // namespace corv
