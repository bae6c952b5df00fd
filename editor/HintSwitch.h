#pragma once

#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace corv::editor
{

// Pop-up hints for the whole application: while they are off, every
// tooltip request is swallowed before it reaches its widget. The Hints
// menu (made over menuParent) chooses, and its check mark shows the choice.
class HintSwitch : public QObject
{
public:
    HintSwitch(QObject* parent, QWidget* menuParent);
    QMenu* PopupMenu1;
    QAction* HintsOn1;
    QAction* HintsOff1;

    bool Shown() const { return shown_; }
    // Without touching the check marks.
    void SetShown(bool shown);
    // As the menu does: the check mark moves too.
    void Choose(bool shown);

protected:
    bool eventFilter(QObject*, QEvent* event) override;

private:
    bool shown_ = false;
};

} // namespace corv::editor
