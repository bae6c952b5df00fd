#pragma once

#include "KeyInjector.h"

#include <cstdio>

namespace corv
{

// Dry run: writes "key <vk> down" / "key <vk> up" lines instead of typing.
class PrintKeyInjector : public KeyInjector
{
public:
    explicit PrintKeyInjector(std::FILE* out = stdout) : out_(out) {}
    ~PrintKeyInjector() override { releaseAll(); }

protected:
    void sendKey(int vk, bool down) override;

private:
    std::FILE* out_;
};

} // namespace corv
