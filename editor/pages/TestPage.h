#pragma once

#include "editor/pages/EditorPage.h"

#include <QElapsedTimer>
#include <memory>

class QTimer;

namespace corv
{
class DispatchEngine;
class Joystick;
} // namespace corv

namespace corv::editor
{

// Plays the template being edited on the joystick, as the player would,
// while the page is shown: the keys it would press and release and its mode
// changes are listed with their times, and nothing is typed anywhere.
class TestPage : public EditorPage
{
    Q_OBJECT
public:
    TestPage(Template& doc, QTabWidget* pages, Joystick* joystick);
    ~TestPage() override;

    QListWidget* lstTestEvents = nullptr;

    void PageShown() override { Start(); }
    // A template opened or emptied meanwhile plays from then on.
    void ShowDocument() override;
    void Clear() override;
    // The template's mode-switch key, which the player takes from the whole
    // desktop, switches here while the window has the keyboard.
    void KeyPressed(const QKeyEvent& key) override;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    class ListKeys;
    void Start();
    void Stop();
    void Log(const QString& text);

    Joystick* joystick_;
    std::unique_ptr<ListKeys> keys_;
    DispatchEngine* engine_ = nullptr;
    QTimer* poll_;
    QElapsedTimer clock_;
    unsigned long switchKeysym_ = 0; // none
};

} // namespace corv::editor
