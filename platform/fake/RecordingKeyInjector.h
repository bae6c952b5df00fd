#pragma once

#include "platform/KeyInjector.h"

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace corv
{

// Keeps every event for tests to assert on. No allocation once the
// reserved capacity is large enough, so benchmarks can use it too.
class RecordingKeyInjector : public KeyInjector
{
public:
    RecordingKeyInjector() { events.reserve(4096); }
    ~RecordingKeyInjector() override { releaseAll(); }

    std::vector<std::pair<int, bool>> events; // (vk, down)

    // "17+ 65+ 65- 17-": '+' a press, '-' a release.
    QString text() const;
    void clear() { events.clear(); }
    // As if the display it types through went away.
    void loseBackend() { reportLost(); }

protected:
    void sendKey(int vk, bool down) override { events.emplace_back(vk, down); }
};

} // namespace corv
