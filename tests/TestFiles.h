#pragma once

// Files a test sets up and reads back. What a test sets up must exist, so a
// failure there ends the test program with the path (qFatal); a file that
// cannot be read back fails the current test at the caller's line.
#include "SourcePlace.h"
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace corv::test
{

// Writes content to path, replacing what was there; returns path.
inline QString writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size() ||
        !f.flush())
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(f.errorString()));
    return path;
}

// Makes a named pipe at path; returns path.
inline QString makeFifo(const QString& path)
{
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        qFatal("cannot make the named pipe %s: %s", qPrintable(path), std::strerror(errno));
    return path;
}

// The whole of the file at path; empty, and the current test failed, when
// it cannot be read.
inline QByteArray readFile(const QString& path,
                           corv::test::SourcePlace where = corv::test::SourcePlace::current())
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        QTest::qFail(qPrintable(QStringLiteral("cannot read %1: %2").arg(path, f.errorString())),
                     where.file, where.line);
        return {};
    }
    return f.readAll();
}

// A file of the source tree, by its path from the top; ctest says where that is.
inline QString sourceFile(const QString& relative)
{
    const QString top = qEnvironmentVariable("CORV_SOURCE_DIR");
    if (top.isEmpty())
        qFatal("CORV_SOURCE_DIR is not set: run the tests through ctest");
    return top + QLatin1Char('/') + relative;
}

} // namespace corv::test
