#include "platform/SignalBridge.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corv
{

namespace
{

int gFds[2] = {-1, -1};

void onSignal(int signum)
{
    // Only async-signal-safe work here: hand the number to the event loop.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signum);
    [[maybe_unused]] const ssize_t n = ::write(gFds[0], &byte, 1);
    errno = saved;
}

} // namespace

SignalBridge::SignalBridge(bool quitOnSignal, QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gFds) != 0)
        return;
    notifier_ = new QSocketNotifier(gFds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalBridge::readSignal);
    if (quitOnSignal)
        connect(this, &SignalBridge::signalReceived, qApp, &QCoreApplication::quit,
                Qt::QueuedConnection);
    struct sigaction sa {
    };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

SignalBridge::~SignalBridge()
{
    if (!notifier_)
        return;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    delete notifier_;
    ::close(gFds[0]);
    ::close(gFds[1]);
    gFds[0] = gFds[1] = -1;
}

void SignalBridge::readSignal()
{
    unsigned char byte = 0;
    while (::read(gFds[1], &byte, 1) == 1)
        emit signalReceived(byte);
}

} // namespace corv
