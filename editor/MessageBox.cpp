#include "editor/MessageBox.h"

#include <QAbstractButton>
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
    const bool asks = kind == QMessageBox::Question || kind == QMessageBox::Warning;
    return ShowMessage(kind, caption, text, QString(), QMessageBox::Ok, asks);
}

QMessageBox::StandardButton
ShowMessage(QMessageBox::Icon kind, const QString& caption, const QString& text,
            const QString& note, QMessageBox::StandardButtons extra, bool ask,
            const QList<QPair<QMessageBox::StandardButton, QString>>& labels)
{
    if (handler())
        return handler()(kind, caption, text);
    if (BoxesUnattended()) {
        // Nobody could answer the box: say it where a script sees it, and
        // decline where it asks.
        std::fprintf(stderr, "corvedit: %s\n", qPrintable(text));
        if (!note.isEmpty())
            std::fprintf(stderr, "corvedit: %s\n", qPrintable(note));
        return ask ? QMessageBox::Cancel : QMessageBox::Ok;
    }
    QMessageBox::StandardButtons buttons = extra;
    if (ask)
        buttons |= QMessageBox::Cancel;
    if (!(buttons & ~QMessageBox::StandardButtons(QMessageBox::Cancel)))
        buttons |= QMessageBox::Ok;
    QMessageBox box(kind, caption, text, buttons, QApplication::activeWindow());
    box.setInformativeText(note);
    for (const auto& [button, label] : labels) {
        if (QAbstractButton* b = box.button(button))
            b->setText(label);
    }
    // The first answer that goes on is the default: Save before OK.
    for (QMessageBox::StandardButton first : {QMessageBox::Save, QMessageBox::Ok}) {
        if (buttons & first) {
            box.setDefaultButton(first);
            break;
        }
    }
    box.setEscapeButton(ask ? QMessageBox::Cancel : QMessageBox::Ok);
    const int answer = box.exec();
    if (ask && !(buttons & QMessageBox::StandardButton(answer)))
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
