// The floor of corvplay's start-up and memory: a Qt Widgets program that maps
// one 80 x 19 window with the mode window's title and flags on the same Qt
// platform, and then idles.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    // corvplay picks xcb on an X display before Qt starts; so does the floor.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    window.setWindowTitle(QStringLiteral("Corvane"));
    window.resize(80, 19);
    window.show();
    return QApplication::exec();
}
