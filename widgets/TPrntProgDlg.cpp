#include "widgets/TPrntProgDlg.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace corv
{

namespace
{
QLabel* makeLabel(QWidget* parent, const char* name, int x, int y, const QString& text = {})
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->move(x, y);
    l->resize(260 - x, 16);
    return l;
}
} // namespace

TPrntProgDlg::TPrntProgDlg(QWidget* parent)
    : QDialog(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("PrntProgDlg"));
    setWindowTitle(QStringLiteral("Print Progress"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    // A fixed size makes the window manager offer no sizing edges at all.
    setFixedSize(293, 111);
    Bevel = new QFrame(this);
    Bevel->setObjectName(QStringLiteral("Bevel"));
    Bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel->setGeometry(4, 4, 277, 77);
    lblStatus = makeLabel(this, "lblStatus", 12, 16);
    lblTitle = makeLabel(this, "lblTitle", 12, 36);
    lblPageNumDesc = makeLabel(this, "lblPageNumDesc", 12, 56, QStringLiteral("Page Number:"));
    lblPageNumDesc->resize(78, 16);
    lblPageNumber = makeLabel(this, "lblPageNumber", 92, 56);
    setFocusPolicy(Qt::NoFocus);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

} // namespace corv
