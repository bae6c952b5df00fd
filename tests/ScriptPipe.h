#pragma once

// A named pipe in a private folder that feeds a virtual joystick's script
// (--joystick virtual:PATH) in stages.
#include "TestFiles.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <fcntl.h>
#include <unistd.h>

class ScriptPipe
{
public:
    ScriptPipe()
    {
        fifoPath = corv::test::makeFifo(dir.filePath(QStringLiteral("joy")));
        // Held open both ways so that writes never block nor find no reader.
        fifo = ::open(QFile::encodeName(fifoPath).constData(), O_RDWR | O_CLOEXEC);
        if (fifo < 0)
            qFatal("cannot open the named pipe %s: %s", qPrintable(fifoPath), std::strerror(errno));
    }
    ~ScriptPipe()
    {
        if (fifo >= 0)
            ::close(fifo);
    }
    ScriptPipe(const ScriptPipe&) = delete;
    ScriptPipe& operator=(const ScriptPipe&) = delete;

    bool send(const QByteArray& script) const
    {
        return fifo >= 0 &&
               ::write(fifo, script.constData(), size_t(script.size())) == ssize_t(script.size());
    }
    // The --joystick value of a virtual joystick reading this pipe.
    QString spec() const { return QStringLiteral("virtual:") + fifoPath; }

    QTemporaryDir dir;
    QString fifoPath;
    int fifo = -1;
};
