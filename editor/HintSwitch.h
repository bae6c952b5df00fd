#pragma once

#include <QObject>

namespace corv::editor
{

// Pop-up hints for the whole application: while they are off, every
// tooltip request is swallowed before it reaches its widget.
class HintSwitch : public QObject
{
public:
    explicit HintSwitch(QObject* parent);
    bool Shown() const { return shown_; }
    void SetShown(bool shown);

protected:
    bool eventFilter(QObject*, QEvent* event) override;

private:
    bool shown_ = false;
};

} // namespace corv::editor
