#pragma once

#include "platform/HotKeyService.h"

#include <QMap>

namespace corv
{

// Records registrations; trigger() stands for the user pressing the key.
class FakeHotKeyService : public HotKeyService
{
    Q_OBJECT
public:
    using HotKeyService::HotKeyService;

    struct Grab {
        unsigned modifiers = 0;
        int vk = 0;
    };
    QMap<int, Grab> grabs;  // id -> what is grabbed now
    bool refuseAll = false; // stands for a key another program holds
    int registerCalls = 0;
    int unregisterCalls = 0;

    bool registerHotKey(int id, unsigned modifiers, int vk) override
    {
        ++registerCalls;
        if (refuseAll || vk <= 0 || vk > 255 || grabs.contains(id))
            return false;
        grabs.insert(id, {modifiers, vk});
        return true;
    }
    void unregisterHotKey(int id) override
    {
        ++unregisterCalls;
        grabs.remove(id);
    }
    void trigger(int id)
    {
        if (grabs.contains(id))
            emit hotKeyPressed(id);
    }
};

} // namespace corv
