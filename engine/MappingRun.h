#pragma once

#include "engine/SlotSteps.h"
#include "template/RuntimeTemplate.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <vector>

namespace corv
{

class KeyPresser;

// One mapping acting while its input is held, by its action: a tap (with
// its repeat), a hold, a toggle or turbo. Timed steps run from a timer, so
// the event loop and the other inputs are never kept waiting.
class MappingRun : public QObject
{
    Q_OBJECT
public:
    // steps: what the mapping types, from MappingSteps().
    MappingRun(const Mapping& mapping, std::vector<SlotStep> steps, KeyPresser& keys,
               QObject* parent = nullptr);
    ~MappingRun() override;

    // The input went down.
    void start();
    // The input went up: a hold comes up and repeats end; a tap in progress
    // plays to its last slot. A toggle stays as it is.
    void letGo();
    // Everything now: what is down comes up and nothing more is sent.
    void cancel();
    bool isFinished() const { return finished_; }
    MappingAction action() const { return mapping_.Action; }

signals:
    // Nothing is down and nothing more will be sent; sent once.
    void finished();

private:
    bool repeats() const;
    void pressSlot(const SlotStep& slot);
    void releaseSlot(const SlotStep& slot);
    int stepCount() const { return int(steps_.size()); }
    void startTap();
    void tapStep();
    void afterTap();
    void pressAll();
    void releaseAll();
    void finish();

    Mapping mapping_;
    std::vector<SlotStep> steps_;
    KeyPresser& keys_;
    QTimer timer_;
    QElapsedTimer tapClock_;
    bool held_ = false;
    bool tapping_ = false;
    bool slotDown_ = false;
    int slot_ = 0;
    bool holding_ = false; // hold and toggle: the slots are down
    bool finished_ = false;
};

} // namespace corv
