#pragma once

#include <QObject>

class QSocketNotifier;

namespace corv
{

// Turns SIGINT and SIGTERM into a Qt signal on the GUI thread, so that the
// program can leave its event loop normally and release every key it holds.
// One per process.
class SignalBridge : public QObject
{
    Q_OBJECT
public:
    // Installs the handlers; by default a caught signal quits the application.
    explicit SignalBridge(bool quitOnSignal = true, QObject* parent = nullptr);
    ~SignalBridge() override;

signals:
    void signalReceived(int signum);

private:
    void readSignal();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace corv
