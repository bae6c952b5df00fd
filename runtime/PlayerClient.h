#pragma once

#include <QStringList>

class QCommandLineParser;
class QTextStream;

namespace corv
{

// corvplay's side of the session bus before it plays: the options that ask a
// running player something and exit, and the rule of one player per session.
class PlayerClient
{
public:
    // Exit statuses beside 0 (done) and 1 (failed).
    static constexpr int BadUsage = 2;
    static constexpr int NotRunning = 4;
    static constexpr int AlreadyRunning = 5;
    // How long a player is given to quit for --quit and --replace.
    static constexpr int QuitTimeoutMs = 5000;

    // --next-mode, --mode, --enable, --disable, --quit, --status and --replace.
    static void AddOptions(QCommandLineParser& parser);
    // The options that only talk to a running player, which need no display.
    static QStringList ClientOptions();
    static bool IsClient(const QCommandLineParser& parser);
    // Does what the client option asks and returns the exit status.
    static int Run(const QCommandLineParser& parser, QTextStream& out, QTextStream& err);

    // Takes the player's name on the session bus, after asking its owner to
    // quit when --replace is given. 0 to go on playing, else the exit status.
    // Without a session bus it says so on err and lets the player run alone.
    static int ClaimPlayer(const QCommandLineParser& parser, QTextStream& err);
};

} // namespace corv
