#include "runtime/components/TWindowedComponent.h"

#include <QEvent>

namespace corv
{

class TWindowedComponent::Receiver : public QObject
{
public:
    explicit Receiver(TWindowedComponent& owner) : owner_(owner) {}
    bool event(QEvent* e) override { return owner_.WindowProcedure(e); }

private:
    TWindowedComponent& owner_;
};

TWindowedComponent::TWindowedComponent(QObject* parent) : QObject(parent) {}

TWindowedComponent::~TWindowedComponent()
{
    delete window_;
}

QObject* TWindowedComponent::WindowHandle()
{
    if (!window_)
        window_ = new Receiver(*this);
    return window_;
}

bool TWindowedComponent::WindowProcedure(QEvent*)
{
    return false;
}

} // namespace corv
