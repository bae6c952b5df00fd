#include "PrintKeyInjector.h"

namespace corv
{

void PrintKeyInjector::sendKey(int vk, bool down)
{
    // Flushed at once so a reader of a pipe sees each event as it happens.
    std::fprintf(out_, "key %d %s\n", vk, down ? "down" : "up");
    std::fflush(out_);
}

} // namespace corv
