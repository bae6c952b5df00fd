#pragma once

#include "runtime/components/TWindowedComponent.h"

#include "platform/HotKeyService.h"

#include <QChar>
#include <QPointer>
#include <array>
#include <cstdint>
#include <vector>

namespace corv
{

// System-wide hot keys on the platform's hot key service. Each entry's list
// position is its identifier with the service and the Index of OnHotKey.
// A key the system refuses stays unregistered without a message.
class TSysHotKey : public TWindowedComponent
{
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)

public:
    // Modifier flags of a hot key value.
    enum THotKeyModifier : uint8_t { hkShift = 1, hkCtrl = 2, hkAlt = 4, hkWin = 8 };

    // A hot key value: modifiers in the high byte, key position in the low byte.
    using THotKey = uint16_t;
    static constexpr THotKey HotKey(uint8_t modifiers, uint8_t keyIndex)
    {
        return static_cast<THotKey>(modifiers << 8 | keyIndex);
    }

    struct HotKeyEntry {
        uint8_t Modifiers = 0;
        uint8_t KeyIndex = 0;
        bool Registered = false;
    };

    // Virtual-key codes that can be hot keys, by position; position 0 is no key.
    static constexpr int KeyTableSize = 102;
    static const std::array<uint8_t, KeyTableSize> HotKeyKeyTable;

    // The message the receiver gets when a registered key is pressed.
    static int HotKeyMessageType();

    explicit TSysHotKey(HotKeyService* service, QObject* parent = nullptr);
    ~TSysHotKey() override;

    bool Active() const { return active_; }
    void SetActive(bool value);

    void AddHotKey(THotKey hotKey);
    void ClearHotKeys();
    int HotKeyCount() const { return static_cast<int>(entries_.size()); }
    const HotKeyEntry& HotKeys(int index) const { return entries_.at(static_cast<size_t>(index)); }

    // Position of a typed character's key (letters in either case), 0 if none.
    static int KeyIndexOfChar(QChar c);
    // Position of a virtual-key code in the table, 0 if it is not there.
    static int KeyIndexOfCode(int vk);
    // Service modifier flags for a set of THotKeyModifier flags.
    static unsigned ServiceModifiers(uint8_t modifiers);

signals:
    void OnHotKey(QObject* Sender, qint32 Index);

protected:
    bool WindowProcedure(QEvent* message) override;

private:
    void RegisterEntry(int index);
    void UnregisterEntry(int index);
    void HotKeyPressed(int id);

    QPointer<HotKeyService> service_;
    bool active_ = false;
    bool listening_ = false;
    std::vector<HotKeyEntry> entries_;
};

} // namespace corv
