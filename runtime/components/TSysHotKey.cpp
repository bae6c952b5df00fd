#include "runtime/components/TSysHotKey.h"

#include <QCoreApplication>
#include <QEvent>

namespace corv
{

namespace
{

class HotKeyMessage : public QEvent
{
public:
    explicit HotKeyMessage(int id)
        : QEvent(static_cast<Type>(TSysHotKey::HotKeyMessageType())), id(id)
    {
    }
    int id;
};

} // namespace

const std::array<uint8_t, TSysHotKey::KeyTableSize> TSysHotKey::HotKeyKeyTable = {
    0,   3,   8,   9,   12,  13,  19,  20,  27,  32, // 0-9
    33,  34,  35,  36,  37,  38,  39,  40,           // 10-17
    41,  43,  44,  45,  46,  47,                     // 18-23
    48,  49,  50,  51,  52,  53,  54,  55,  56,  57, // 24-33 digits
    65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,
    78,  79,  80,  81,  82,  83,  84,  85,  86,  87,  88,  89,  90, // 34-59 letters
    96,  97,  98,  99,  100, 101, 102, 103, 104, 105,               // 60-69 numpad
    106, 107, 108, 109, 110, 111,                                   // 70-75
    112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124,
    125, 126, 127, 128, 129, 130, 131, 132, 133, 134, 135, // 76-99 F keys
    144, 145,                                              // 100-101
};

int TSysHotKey::HotKeyMessageType()
{
    static const int type = QEvent::registerEventType();
    return type;
}

TSysHotKey::TSysHotKey(HotKeyService* service, QObject* parent)
    : TWindowedComponent(parent), service_(service)
{
}

TSysHotKey::~TSysHotKey()
{
    ClearHotKeys();
}

void TSysHotKey::SetActive(bool value)
{
    if (value == active_)
        return;
    active_ = value;
    for (int i = 0; i < HotKeyCount(); ++i) {
        if (value)
            RegisterEntry(i);
        else
            UnregisterEntry(i);
    }
}

void TSysHotKey::AddHotKey(THotKey hotKey)
{
    entries_.push_back(
        {static_cast<uint8_t>(hotKey >> 8), static_cast<uint8_t>(hotKey & 0xFF), false});
    if (active_)
        RegisterEntry(HotKeyCount() - 1);
}

void TSysHotKey::ClearHotKeys()
{
    if (active_) {
        for (int i = 0; i < HotKeyCount(); ++i)
            UnregisterEntry(i);
    }
    entries_.clear();
}

int TSysHotKey::KeyIndexOfChar(QChar c)
{
    char16_t code = c.unicode();
    if (code >= u'a' && code <= u'z')
        code = static_cast<char16_t>(code - u'a' + u'A');
    return KeyIndexOfCode(code);
}

int TSysHotKey::KeyIndexOfCode(int vk)
{
    for (int i = 0; i < KeyTableSize; ++i) {
        if (HotKeyKeyTable[static_cast<size_t>(i)] == vk)
            return i;
    }
    return 0;
}

unsigned TSysHotKey::ServiceModifiers(uint8_t modifiers)
{
    unsigned flags = 0;
    if (modifiers & hkShift)
        flags |= HotKeyService::ModShift;
    if (modifiers & hkCtrl)
        flags |= HotKeyService::ModControl;
    if (modifiers & hkAlt)
        flags |= HotKeyService::ModAlt;
    if (modifiers & hkWin)
        flags |= HotKeyService::ModWin;
    return flags;
}

void TSysHotKey::RegisterEntry(int index)
{
    HotKeyEntry& entry = entries_[static_cast<size_t>(index)];
    const int vk = entry.KeyIndex < KeyTableSize ? HotKeyKeyTable[entry.KeyIndex] : 0;
    // Code 0 is no key; some services would read it as "any key".
    if (!service_ || vk == 0) {
        entry.Registered = false;
        return;
    }
    if (!listening_) {
        connect(service_.data(), &HotKeyService::hotKeyPressed, WindowHandle(),
                [this](int id) { HotKeyPressed(id); });
        listening_ = true;
    }
    entry.Registered = service_->registerHotKey(index, ServiceModifiers(entry.Modifiers), vk);
}

void TSysHotKey::UnregisterEntry(int index)
{
    HotKeyEntry& entry = entries_[static_cast<size_t>(index)];
    if (!entry.Registered)
        return;
    if (service_)
        service_->unregisterHotKey(index);
    entry.Registered = false;
}

void TSysHotKey::HotKeyPressed(int id)
{
    // The service is shared; only keys this component holds are its messages.
    if (id < 0 || id >= HotKeyCount() || !entries_[static_cast<size_t>(id)].Registered)
        return;
    HotKeyMessage message(id);
    QCoreApplication::sendEvent(WindowHandle(), &message);
}

bool TSysHotKey::WindowProcedure(QEvent* message)
{
    if (message->type() != HotKeyMessageType())
        return TWindowedComponent::WindowProcedure(message);
    emit OnHotKey(this, static_cast<HotKeyMessage*>(message)->id & 0xFFFF);
    return true;
}

} // namespace corv
