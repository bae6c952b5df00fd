#include "platform/x11/X11FocusService.h"

#include <QAbstractEventDispatcher>
#include <QList>
#include <QSocketNotifier>
#include <QStringList>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <utility>

namespace corv
{

namespace
{

// The connection an ErrorTrap is set on, and whether a request on it failed.
// X calls handlers synchronously from Xlib on this thread, so plain
// variables are enough.
Display* gTrapped = nullptr;
bool gFailed = false;
XErrorHandler gPrevious = nullptr;

int recordError(Display* dpy, XErrorEvent* ev)
{
    // The handler is one for the process: other connections keep theirs.
    if (dpy != gTrapped)
        return gPrevious ? gPrevious(dpy, ev) : 0;
    gFailed = true;
    return 0;
}

// A window can be destroyed between the event that names it and our
// requests about it; Xlib's default handler would end the process on the
// BadWindow that follows.
class ErrorTrap
{
public:
    explicit ErrorTrap(Display* dpy) : dpy_(dpy)
    {
        XSync(dpy_, False);
        gTrapped = dpy_;
        gFailed = false;
        gPrevious = XSetErrorHandler(recordError);
    }
    ~ErrorTrap()
    {
        XSync(dpy_, False);
        XSetErrorHandler(gPrevious);
        gTrapped = nullptr;
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Whether a request since the trap was set, or since the last look, failed.
    bool failed()
    {
        XSync(dpy_, False);
        return std::exchange(gFailed, false);
    }

private:
    Display* dpy_;
};

// A list property of 32-bit values; empty when absent or of another type.
QList<unsigned long> longProperty(Display* dpy, Window w, Atom property, Atom type)
{
    QList<unsigned long> values;
    Atom actual = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, property, 0, 1024, False, type, &actual, &format, &count, &after,
                           &data) == Success &&
        data) {
        if (actual == type && format == 32) {
            const auto* v = reinterpret_cast<const unsigned long*>(data);
            values = QList<unsigned long>(v, v + count);
        }
        XFree(data);
    }
    return values;
}

// A text property in the encoding it names; the strings of a list property
// (WM_CLASS) stay apart by a NUL. Empty when absent.
QString textProperty(Display* dpy, Window w, Atom property, Atom utf8)
{
    XTextProperty text{};
    if (!XGetTextProperty(dpy, w, &text, property) || !text.value)
        return {};
    QString result;
    const auto* bytes = reinterpret_cast<const char*>(text.value);
    const auto size = qsizetype(text.nitems);
    if (text.format != 8) {
        // not text at all
    } else if (text.encoding == utf8) {
        result = QString::fromUtf8(bytes, size);
    } else if (text.encoding == XA_STRING) {
        result = QString::fromLatin1(bytes, size);
    } else {
        // COMPOUND_TEXT, which older programs write for a title beyond Latin-1.
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(dpy, &text, &list, &count) >= Success && list) {
            QStringList parts;
            for (int i = 0; i < count; ++i)
                parts << QString::fromUtf8(list[i]);
            result = parts.join(QChar(0));
            XFreeStringList(list);
        }
    }
    XFree(text.value);
    return result;
}

} // namespace

X11FocusService::X11FocusService(const QString& display, QObject* parent)
    : FocusService(parent), connection_(display), dpy_(connection_.display())
{
    if (!dpy_)
        return;
    connection_.setOnLost([this] { connectionLost(); });
    root_ = DefaultRootWindow(dpy_);
    char* names[] = {const_cast<char*>("_NET_SUPPORTED"), const_cast<char*>("_NET_ACTIVE_WINDOW"),
                     const_cast<char*>("_NET_WM_NAME"), const_cast<char*>("UTF8_STRING")};
    Atom atoms[4] = {};
    XInternAtoms(dpy_, names, 4, False, atoms);
    netSupported_ = atoms[0];
    netActiveWindow_ = atoms[1];
    netWmName_ = atoms[2];
    utf8String_ = atoms[3];
    // Selected before the first reading, so no change after it goes unseen;
    // a window manager that starts later shows in _NET_SUPPORTED.
    XSelectInput(dpy_, root_, PropertyChangeMask);
    notifier_ = new QSocketNotifier(ConnectionNumber(dpy_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &X11FocusService::readEvents);
    // Xlib may have read events into its own buffer during a round trip; the
    // socket shows nothing for those, so look before the loop sleeps.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread())) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (!connection_.lost() && XEventsQueued(dpy_, QueuedAlready) > 0)
                readEvents();
        });
    }
    readSupport();
    refresh(false);
}

X11FocusService::~X11FocusService()
{
    if (!dpy_)
        return;
    // Closing the connection drops our selections; it may also be what finds
    // the server gone, and nobody is left to hear of it.
    connection_.setOnLost(nullptr);
    delete std::exchange(notifier_, nullptr);
}

bool X11FocusService::available() const
{
    return dpy_ && !connection_.lost() && supported_;
}

void X11FocusService::connectionLost()
{
    // Called inside Xlib, possibly in the middle of a reading: only our own
    // state changes here, and the news waits for the event loop.
    qWarning("lost the X display %s; the focused window is no longer followed",
             qPrintable(connection_.name()));
    if (notifier_)
        notifier_->setEnabled(false);
    supported_ = false;
    watched_ = None;
    if (!current_.isNone()) {
        current_ = {};
        QMetaObject::invokeMethod(
            this, [this] { emit focusChanged(FocusedWindow{}); }, Qt::QueuedConnection);
    }
}

void X11FocusService::readEvents()
{
    // The whole queue first, then one reading: a receiver of focusChanged
    // may run an event loop of its own, which reads this queue again.
    bool supportChanged = false;
    bool changed = false;
    while (!connection_.lost() && XPending(dpy_) > 0) {
        XEvent ev;
        XNextEvent(dpy_, &ev);
        if (ev.type != PropertyNotify)
            continue;
        const XPropertyEvent& property = ev.xproperty;
        if (property.window == root_) {
            supportChanged |= property.atom == netSupported_;
            changed |= property.atom == netSupported_ || property.atom == netActiveWindow_;
        } else if (property.window == watched_) {
            // Events of a window we no longer watch may still be queued.
            changed |= property.atom == XA_WM_CLASS || property.atom == XA_WM_NAME ||
                       property.atom == netWmName_;
        }
    }
    if (connection_.lost())
        return;
    if (supportChanged)
        readSupport();
    if (changed)
        refresh(true);
}

void X11FocusService::readSupport()
{
    supported_ = longProperty(dpy_, root_, netSupported_, XA_ATOM).contains(netActiveWindow_);
}

void X11FocusService::refresh(bool announce)
{
    Window active = None;
    if (supported_)
        active = longProperty(dpy_, root_, netActiveWindow_, XA_WINDOW).value(0);
    // A window manager may name the root while the desktop has the focus:
    // its children are every program's frames.
    if (active == root_)
        active = None;
    FocusedWindow now;
    Window client = None;
    {
        ErrorTrap trap(dpy_);
        if (active != None) {
            client = clientOf(active);
            // Asked for before reading, so no change between the two goes unseen.
            XSelectInput(dpy_, client, PropertyChangeMask);
            now = describe(client);
            if (trap.failed()) { // gone before we read it: the next event names another
                now = {};
                client = None;
            }
        }
        if (watched_ != None && watched_ != client)
            XSelectInput(dpy_, watched_, NoEventMask);
    }
    watched_ = client;
    if (connection_.lost())
        return;
    if (now == current_)
        return;
    current_ = now;
    if (announce)
        emit focusChanged(now);
}

bool X11FocusService::hasProperty(unsigned long w, unsigned long property) const
{
    Atom actual = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(dpy_, w, property, 0, 0, False, AnyPropertyType, &actual, &format, &count,
                       &after, &data);
    if (data)
        XFree(data);
    return actual != None;
}

unsigned long X11FocusService::clientOf(unsigned long w) const
{
    // A reparenting window manager may name its frame, which has no class;
    // the program's own window is one level down.
    if (hasProperty(w, XA_WM_CLASS))
        return w;
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    Window client = w;
    if (XQueryTree(dpy_, w, &root, &parent, &children, &count) && children) {
        for (unsigned i = 0; i < count && client == w; ++i) {
            if (hasProperty(children[i], XA_WM_CLASS))
                client = children[i];
        }
        XFree(children);
    }
    return client;
}

FocusedWindow X11FocusService::describe(unsigned long w) const
{
    FocusedWindow window;
    const QStringList wmClass = textProperty(dpy_, w, XA_WM_CLASS, utf8String_).split(QChar(0));
    window.instance = wmClass.value(0);
    window.windowClass = wmClass.value(1);
    window.title = textProperty(dpy_, w, netWmName_, utf8String_);
    if (window.title.isEmpty())
        window.title = textProperty(dpy_, w, XA_WM_NAME, utf8String_);
    return window;
}

} // namespace corv
