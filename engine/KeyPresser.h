#pragma once

#include "engine/SlotSteps.h"

#include <map>

namespace corv
{

class KeyInjector;

// Key presses shared by the mappings that run at once: a key goes down with
// the first that presses it and comes up when the last of them lets go, so
// a walk held on W survives a tap of W+Shift elsewhere.
class KeyPresser
{
public:
    explicit KeyPresser(KeyInjector* keys) : keys_(keys) {}
    // A step's modifiers and key, each counted on its own; let go in the
    // reverse order.
    void press(const SlotStep& step);
    void release(const SlotStep& step);
    // Everything up, counts cleared.
    void releaseAll();

private:
    KeyInjector* keys_;
    std::map<StepKey, int> counts_;
};

} // namespace corv
