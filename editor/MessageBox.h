#pragma once

#include <QList>
#include <QMessageBox>
#include <QPair>
#include <QString>
#include <functional>

namespace corv::editor
{

// Every box the editor shows goes through here. Question and Warning boxes
// ask (OK, Cancel); Information and Critical boxes only tell (OK). Escape or
// closing the box answers Cancel where there is one.
QMessageBox::StandardButton ShowMessage(QMessageBox::Icon kind, const QString& caption,
                                        const QString& text);

// ShowMessage's box with more to say and more to answer: note stands under
// text, and each of extra is one more button (Save, Discard, Ignore...),
// named by labels where the standard name does not fit. ask gives the box
// Cancel, which Escape answers; otherwise Escape answers OK. The tests'
// handler gets kind, caption and text as from ShowMessage, and answers with
// any of the buttons.
QMessageBox::StandardButton
ShowMessage(QMessageBox::Icon kind, const QString& caption, const QString& text,
            const QString& note, QMessageBox::StandardButtons extra, bool ask,
            const QList<QPair<QMessageBox::StandardButton, QString>>& labels = {});

// Whether nobody can see a box (the program runs on the offscreen or
// minimal platform): boxes then go to standard error, and those that ask
// are declined. The program says so at start.
bool BoxesUnattended();
void SetBoxesUnattended(bool nobodyLooks);

// Replaces the boxes, for tests: the handler gets what would be shown and
// gives the answer. An empty handler brings the real boxes back.
using MessageHandler = std::function<QMessageBox::StandardButton(
    QMessageBox::Icon kind, const QString& caption, const QString& text)>;
void SetMessageHandler(MessageHandler handler);

} // namespace corv::editor
