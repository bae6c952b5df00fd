#pragma once

#include "editor/pages/EditorPage.h"
#include "platform/FocusService.h"

#include <QPointer>

class QPushButton;
class QTimer;

namespace corv
{
class TUrlLabel;
} // namespace corv

namespace corv::editor
{

// The controls of the Description page, which the window holding the pages
// shows too (TfrmMain derives from it).
struct DescriptionControls {
    QWidget* tabDescription = nullptr; // the page
    QLabel* lblVersion = nullptr;
    TUrlLabel* UrlLabel1 = nullptr;
    TUrlLabel* UrlLabel2 = nullptr;
    QLineEdit* txtTemplateDesc = nullptr;
    QLineEdit* txtApps = nullptr; // APPS, as typed
    QPushButton* btnPickWindow = nullptr;
    QLabel* lblPickWindow = nullptr; // what the last pick found, or why there is none
};

// The program's name, version and links, the template's description and
// the programs it is for.
class DescriptionPage : public EditorPage, public DescriptionControls
{
    Q_OBJECT
public:
    DescriptionPage(Template& doc, QTabWidget* pages);

    // Pick a window waits PickSeconds ticks of PickTickInterval ms for a
    // click on another program's window.
    int PickSeconds = 5;
    int PickTickInterval = 1000;

    // Where Pick a window learns of the window the user activates; it may
    // be destroyed first. Without one that is available the button is off.
    void SetFocusService(FocusService* focus);

    void ResetFields() override;
    void ShowDocument() override;
    void Clear() override;

    void txtAppsChange(const QString& text);
    void btnPickWindowClick();

private:
    void PickTick();
    void WindowFocused(const FocusedWindow& window);
    // Ends a pick in progress, taking nothing.
    void StopPick();
    // Ends a pick with window: adds its class to the list unless it is ours
    // or listed already.
    void TakeWindow(const FocusedWindow& window);

    QPointer<FocusService> focus_;
    QTimer* pickTimer_;
    int pickLeft_ = 0;
};

} // namespace corv::editor
