#include "runtime/components/TNoTask.h"

#include <QGuiApplication>
#include <QTest>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace corv;

class TestNoTask : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void skipTaskbarState_data();
    void skipTaskbarState();

private:
    QList<QByteArray> netWmState(QWidget& w);
    Display* dpy_ = nullptr;
};

void TestNoTask::initTestCase()
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        QSKIP("needs the X11 platform");
    dpy_ = x11->display();
}

QList<QByteArray> TestNoTask::netWmState(QWidget& w)
{
    QList<QByteArray> names;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    XSync(dpy_, False);
    XGetWindowProperty(dpy_, static_cast<Window>(w.winId()),
                       XInternAtom(dpy_, "_NET_WM_STATE", False), 0, 1024, False, XA_ATOM, &type,
                       &format, &count, &after, &data);
    if (data) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) {
            char* name = XGetAtomName(dpy_, atoms[i]);
            names << QByteArray(name);
            XFree(name);
        }
        XFree(data);
    }
    return names;
}

void TestNoTask::skipTaskbarState_data()
{
    QTest::addColumn<bool>("hideForm");
    QTest::addColumn<bool>("setBeforeCreate");
    QTest::newRow("hidden, set before the window exists") << true << true;
    QTest::newRow("hidden, set on a created window") << true << false;
    QTest::newRow("shown") << false << false;
}

// The state is set before the window is mapped and survives next to the
// states Qt itself adds (here: stay on top).
void TestNoTask::skipTaskbarState()
{
    QFETCH(bool, hideForm);
    QFETCH(bool, setBeforeCreate);

    QWidget form(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    form.resize(80, 19);
    TNoTask noTask(&form);
    if (setBeforeCreate) {
        noTask.SetHideForm(hideForm);
        form.winId();
    } else {
        form.winId();
        noTask.SetHideForm(hideForm);
    }
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const QList<QByteArray> states = netWmState(form);
    QCOMPARE(states.contains("_NET_WM_STATE_SKIP_TASKBAR"), hideForm);
    QVERIFY(states.contains("_NET_WM_STATE_ABOVE"));

    // Withdrawn and shown again: the state is put back.
    form.hide();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(netWmState(form).contains("_NET_WM_STATE_SKIP_TASKBAR"), hideForm);
}

QTEST_MAIN(TestNoTask)
#include "tst_NoTask.moc"
