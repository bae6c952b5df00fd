#pragma once

#include <QObject>

class QEvent;

namespace corv
{

// Base of components that receive messages from the system. Instead of a
// hidden window it owns a plain receiver object, created on first use, whose
// events all go to WindowProcedure.
class TWindowedComponent : public QObject
{
    Q_OBJECT
public:
    explicit TWindowedComponent(QObject* parent = nullptr);
    ~TWindowedComponent() override;

    // The receiver; created when first asked for.
    QObject* WindowHandle();
    bool HasWindowHandle() const { return window_ != nullptr; }

protected:
    // Dispatches one message by its type; false when nothing handles it.
    virtual bool WindowProcedure(QEvent* message);

private:
    class Receiver;
    Receiver* window_ = nullptr;
};

} // namespace corv
