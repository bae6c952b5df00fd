// The time from a focus change to the new template's mode window, following
// the focus (--auto) between two example templates: SwitchFake from the
// focus service's signal, SwitchX11 from the window manager's change of
// _NET_ACTIVE_WINDOW on a real X server (it plays the window manager itself,
// so run it under scripts/with-xvfb.sh, which has none). Each switch ends
// once the window has painted the new template's mode name.
#include "platform/FocusService.h"
#include "platform/Platform.h"
#include "platform/fake/FakeFocusService.h"
#include "platform/fake/FakeHotKeyService.h"
#include "platform/fake/FakeJoystick.h"
#include "platform/fake/RecordingKeyInjector.h"
#include "runtime/TfrmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>
#include <cstdio>

using namespace corv;

namespace
{

// The folder: the platformer for class "game", NetHack for class "term".
bool writeFolder(const QTemporaryDir& dir)
{
    for (const auto& [name, apps] :
         {std::pair{"platformer", "game"}, std::pair{"nethack", "term"}}) {
        QFile from(QStringLiteral(CORV_SOURCE_DIR "/examples/%1.joy").arg(QLatin1String(name)));
        QFile to(dir.filePath(QLatin1String(name) + QStringLiteral(".joy")));
        if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::WriteOnly))
            return false;
        // APPS goes into [GLOBAL], which both examples have.
        to.write(from.readAll().replace("[GLOBAL]\n", "[GLOBAL]\nAPPS=" + QByteArray(apps) + "\n"));
    }
    return true;
}

// Switches between the two windows, each time until the new template plays
// and its mode window has painted.
void run(benchmark::State& state, FocusService& focus, const std::function<void(bool)>& activate)
{
    QTemporaryDir dir;
    FakeJoystick joystick;
    RecordingKeyInjector keys;
    FakeHotKeyService hotKeys;
    TfrmMain frm(&joystick, &keys, &hotKeys);
    frm.AutoFolder = dir.path();
    frm.SetFocusService(&focus);
    if (!writeFolder(dir) || !frm.FormCreate(&frm)) {
        state.SkipWithError("cannot start following the focus");
        return;
    }
    int switches = 0;
    QObject::connect(&frm, &TfrmMain::TemplateSwitched, [&switches] { ++switches; });
    bool game = false;
    for (auto _ : state) {
        game = !game;
        const int before = switches;
        activate(game);
        while (switches == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        frm.lblModeString->repaint();
    }
    if (frm.TemplatePath().isEmpty())
        state.SkipWithError("no template followed the focus");
    state.counters["switches"] = double(state.iterations());
}

void SwitchFake(benchmark::State& state)
{
    FakeFocusService focus;
    run(state, focus, [&focus](bool game) {
        focus.focus(game ? FocusedWindow{"game", "Game", "A game"}
                         : FocusedWindow{"term", "Term", "NetHack"});
    });
}

void SwitchX11(benchmark::State& state)
{
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        state.SkipWithError("needs an X display");
        return;
    }
    const Window root = DefaultRootWindow(dpy);
    const Atom active = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False);
    XChangeProperty(dpy, root, XInternAtom(dpy, "_NET_SUPPORTED", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&active), 1);
    Window windows[2];
    const char* classes[2][2] = {{"term", "Term"}, {"game", "Game"}};
    for (int i = 0; i < 2; ++i) {
        windows[i] = XCreateSimpleWindow(dpy, root, 0, 0, 10, 10, 0, 0, 0);
        XClassHint hint{const_cast<char*>(classes[i][0]), const_cast<char*>(classes[i][1])};
        XSetClassHint(dpy, windows[i], &hint);
    }
    XSync(dpy, False);
    {
        std::unique_ptr<FocusService> focus = Platform::createFocusService();
        run(state, *focus, [&](bool game) {
            XChangeProperty(dpy, root, active, XA_WINDOW, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&windows[game ? 1 : 0]), 1);
            XFlush(dpy);
        });
    }
    XDeleteProperty(dpy, root, active);
    XDeleteProperty(dpy, root, XInternAtom(dpy, "_NET_SUPPORTED", False));
    XCloseDisplay(dpy);
}

} // namespace

BENCHMARK(SwitchFake)->Unit(benchmark::kMicrosecond);
BENCHMARK(SwitchX11)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    // The recording injector types no characters, which each load warns of.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg && type != QtWarningMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The player's position store stays out of the user's.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
