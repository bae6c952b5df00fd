#pragma once

#include <QString>
#include <QStringList>

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
};

} // namespace corv::editor
