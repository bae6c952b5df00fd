#pragma once

#include "ModalCloser.h"
#include "TestFiles.h"
#include "platform/fake/FakeHotKeyService.h"
#include "platform/fake/FakeJoystick.h"
#include "platform/fake/RecordingKeyInjector.h"
#include "runtime/TfrmMain.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

// The player's main window on fake services, with its position store in a
// temporary folder and every modal box closed by a ModalCloser.
class PlayerTest : public QObject
{
protected:
    void createPlayer()
    {
        joystick = std::make_unique<corv::FakeJoystick>();
        keys = std::make_unique<corv::RecordingKeyInjector>();
        hotKeys = std::make_unique<corv::FakeHotKeyService>();
        frm = std::make_unique<corv::TfrmMain>(joystick.get(), keys.get(), hotKeys.get());
        closer = std::make_unique<ModalCloser>();
    }
    void destroyPlayer()
    {
        closer.reset();
        frm.reset();
    }
    static void useStore(const QString& path)
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
    }
    QString writeFile(const QString& name, const QByteArray& content)
    {
        return corv::test::writeFile(dir.filePath(name), content);
    }

    QTemporaryDir dir;
    std::unique_ptr<corv::FakeJoystick> joystick;
    std::unique_ptr<corv::RecordingKeyInjector> keys;
    std::unique_ptr<corv::FakeHotKeyService> hotKeys;
    std::unique_ptr<corv::TfrmMain> frm;
    std::unique_ptr<ModalCloser> closer;
};
