#include "editor/pages/TestPage.h"

#include "engine/DispatchEngine.h"
#include "platform/KeyInjector.h"
#include "platform/VkTable.h"
#include "template/KeyTable.h"
#include "template/ProfileFile.h"
#include "template/TemplateFile.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace corv::editor
{

// The keys go into the list instead of into a window.
class TestPage::ListKeys : public KeyInjector
{
public:
    explicit ListKeys(TestPage* page) : page_(page) {}
    ~ListKeys() override { releaseAll(); }
    bool canType(char32_t) const override { return true; }

protected:
    void sendKey(int vk, bool down) override
    {
        const QString name = KeyCodeToKeyName(QString::number(vk));
        page_->Log((name.isEmpty() ? QString::number(vk) : name) +
                   (down ? QLatin1String(" down") : QLatin1String(" up")));
    }
    void sendCharacter(char32_t c, bool down) override
    {
        page_->Log(QString::fromUcs4(&c, 1) +
                   (down ? QLatin1String(" down") : QLatin1String(" up")));
    }

private:
    TestPage* page_;
};

TestPage::TestPage(Template& doc, QTabWidget* pages, Joystick* joystick)
    : EditorPage(doc, pages, "tabTest", "Test", QStringLiteral("Test This Template:")),
      joystick_(joystick), poll_(new QTimer(this))
{
    QGroupBox* group = Group();
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(Explanation("Use the joystick as in the game: the keys this template would "
                                  "press and release, and its mode changes, are listed below with "
                                  "their times. Nothing is typed into other windows.",
                                  group));
    lstTestEvents = List("lstTestEvents", 85, group);
    lstTestEvents->setSelectionMode(QAbstractItemView::NoSelection);
    lstTestEvents->setToolTip(QStringLiteral("What the template did, newest last"));
    layout->addWidget(lstTestEvents);
    poll_->setTimerType(Qt::PreciseTimer);
    poll_->setInterval(DispatchEngine::PollInterval);
}

TestPage::~TestPage()
{
    Stop();
}

void TestPage::ShowDocument()
{
    if (isVisible())
        Start();
}

void TestPage::Clear()
{
    lstTestEvents->clear();
}

void TestPage::hideEvent(QHideEvent* event)
{
    Stop();
    EditorPage::hideEvent(event);
}

void TestPage::Start()
{
    Stop();
    // The tables as the player reads them from the saved file.
    ProfileFile file;
    if (!WriteTemplate(doc_, file))
        return;
    RuntimeTemplate tables;
    ReadRuntimeTemplate(file, tables);
    keys_ = std::make_unique<ListKeys>(this);
    engine_ = new DispatchEngine(joystick_, keys_.get(), this);
    engine_->LoadTables(tables);
    connect(engine_, &DispatchEngine::ModeChanged, this, [this](int32_t mode, const QString& name) {
        Log(QStringLiteral("mode %1 %2").arg(mode).arg(name));
    });
    if (joystick_ && !tables.SeparateInputs && !tables.DigitalDevice) {
        connect(joystick_, &Joystick::buttonDown, engine_, &DispatchEngine::JoyButtonDown);
        connect(joystick_, &Joystick::buttonUp, engine_, &DispatchEngine::JoyButtonUp);
    }
    if (!tables.SeparateInputs && tables.DigitalDevice) {
        connect(poll_, &QTimer::timeout, engine_, &DispatchEngine::Tick);
        poll_->start();
    }
    // Taken, as the player grabs it, without Shift, Ctrl or Alt.
    switchKeysym_ = tables.ModeSwitchKey == RuntimeTemplate::NoSwitchKey
                        ? 0
                        : VkTable::keysym(tables.ModeSwitchKey);
    clock_.start();
    Log(QStringLiteral("mode 1 %1").arg(engine_->ModeName()));
    engine_->SetEnabled(true);
}

void TestPage::KeyPressed(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers held =
        key.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    // A letter's keysym is its capital under Caps Lock.
    const auto lower = [](unsigned long keysym) {
        return keysym >= 'A' && keysym <= 'Z' ? keysym + ('a' - 'A') : keysym;
    };
    if (engine_ && switchKeysym_ != 0 && !key.isAutoRepeat() && held == Qt::NoModifier &&
        lower(key.nativeVirtualKey()) == switchKeysym_)
        engine_->AdvanceMode();
}

void TestPage::Stop()
{
    poll_->stop();
    if (!engine_)
        return;
    // Stopping lets go of every key, which the list shows too. The engine
    // may be inside its repeat's wait, which ends when it is gone.
    engine_->Stop();
    delete std::exchange(engine_, nullptr);
    keys_.reset();
}

void TestPage::Log(const QString& text)
{
    lstTestEvents->addItem(
        QStringLiteral("%1 s\t%2").arg(double(clock_.elapsed()) / 1000.0, 0, 'f', 3).arg(text));
    lstTestEvents->scrollToBottom();
}

} // namespace corv::editor
