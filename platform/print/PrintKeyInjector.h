#pragma once

#include "platform/KeyInjector.h"

#include <QByteArray>
#include <array>
#include <cstdio>

namespace corv
{

// Dry run: writes what would be typed, one line per event: "key <vk> down
// <name>" / "key <vk> up <name>", the name being the key table's (absent for
// codes it lacks). Code 0, an empty slot, types nothing and prints nothing.
// A character prints as "char U+<hex> down <character>".
class PrintKeyInjector : public KeyInjector
{
public:
    explicit PrintKeyInjector(std::FILE* out = stdout);
    ~PrintKeyInjector() override { releaseAll(); }

    bool canType(char32_t) const override { return true; }

protected:
    void sendKey(int vk, bool down) override;
    void sendCharacter(char32_t c, bool down) override;

private:
    std::FILE* out_;
    std::array<QByteArray, 256> names_; // " <name>" by code, empty when unnamed
};

} // namespace corv
