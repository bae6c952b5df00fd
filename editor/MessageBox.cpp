#include "editor/MessageBox.h"

#include <QApplication>
#include <cstdio>

namespace corv::editor
{

namespace
{

MessageHandler& handler()
{
    static MessageHandler h;
    return h;
}

} // namespace

QMessageBox::StandardButton ShowMessage(QMessageBox::Icon kind, const QString& caption,
                                        const QString& text)
{
    if (handler())
        return handler()(kind, caption, text);
    const bool asks = kind == QMessageBox::Question || kind == QMessageBox::Warning;
    if (BoxesUnattended()) {
        // Nobody could answer the box: say it where a script sees it, and
        // decline where it asks.
        std::fprintf(stderr, "corvedit: %s\n", qPrintable(text));
        return asks ? QMessageBox::Cancel : QMessageBox::Ok;
    }
    QMessageBox box(kind, caption, text,
                    asks ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(asks ? QMessageBox::Cancel : QMessageBox::Ok);
    const int answer = box.exec();
    if (asks && answer != QMessageBox::Ok)
        return QMessageBox::Cancel;
    return static_cast<QMessageBox::StandardButton>(answer);
}

bool& unattended()
{
    static bool u = false;
    return u;
}

bool BoxesUnattended()
{
    return unattended();
}

void SetBoxesUnattended(bool nobodyLooks)
{
    unattended() = nobodyLooks;
}

void SetMessageHandler(MessageHandler h)
{
    handler() = std::move(h);
}

} // namespace corv::editor
