#pragma once

#include <QString>
#include <cstdint>

class QObject;

namespace corv
{

class DispatchEngine;

// What the player's window offers those who control it from outside (the
// session bus): its engine's state to read, and the window's own actions,
// so that a command meets the engine's re-entrancy exactly as the hot key
// or the tray menu does.
class Player
{
public:
    virtual ~Player() = default;

    virtual const DispatchEngine& Engine() const = 0;
    // Start-up has ended: modes can be switched from then on.
    virtual bool StartupDone() const = 0;
    // The template being played; empty before one is chosen.
    virtual QString TemplatePath() const = 0;
    // Whether the player chooses its template by the focused window, and
    // the program it chose it for (empty for none).
    virtual bool Following() const { return false; }
    virtual QString Program() const { return {}; }
    // Reads the templates again; false with *error set when that failed and
    // what played before plays on.
    virtual bool Reload(QString* error) = 0;

    virtual void AdvanceMode() = 0;
    virtual void ShowMode(int32_t mode) = 0;
    virtual void Enable1Click(QObject* Sender) = 0;
    virtual void Disable1Click(QObject* Sender) = 0;
    virtual void RequestShutdown(int exitCode = 0) = 0;
};

} // namespace corv
