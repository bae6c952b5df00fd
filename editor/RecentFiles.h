#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QMenu;
class QObject;

namespace corv::editor
{

// The templates opened or saved last, newest first, kept in the editor's
// settings so that they outlive the program: each path once, at most
// MaxCount, and files that are gone are left out.
class RecentFiles
{
public:
    static constexpr int MaxCount = 8;

    // The paths that still name a file.
    static QStringList Files();
    // Puts path first.
    static void Add(const QString& path);
    // Adds the files to menu, each opened by open (run in context's thread
    // and life), or a line that says there are none.
    static void AddToMenu(QMenu* menu, QObject* context,
                          const std::function<void(const QString&)>& open);
};

} // namespace corv::editor
