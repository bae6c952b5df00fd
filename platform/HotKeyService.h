#pragma once

#include <QObject>

namespace corv
{

// System-wide hot keys. Modifier flags use the Windows values the hot key
// component maps to: Alt 1, Ctrl 2, Shift 4, Windows key 8.
class HotKeyService : public QObject
{
    Q_OBJECT
public:
    enum Modifier : unsigned { ModAlt = 1, ModControl = 2, ModShift = 4, ModWin = 8 };

    using QObject::QObject;
    ~HotKeyService() override = default;

    // False when the key cannot be grabbed (taken elsewhere, no display, no keycode).
    virtual bool registerHotKey(int id, unsigned modifiers, int vk) = 0;
    virtual void unregisterHotKey(int id) = 0;

signals:
    void hotKeyPressed(int id);
};

} // namespace corv
