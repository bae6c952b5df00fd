#include "runtime/Messages.h"

namespace corv
{

void Messages::PrintMessage(const QString& text, const QString& hint)
{
    // As every other line on standard error: the program's message pattern
    // puts "corvplay: " in front.
    qWarning("%s", qUtf8Printable(text));
    if (!hint.isEmpty())
        qWarning("%s", qUtf8Printable(hint));
}

void Messages::ShowMessage(QMessageBox::Icon icon, const QString& title, const QString& text,
                           const QString& hint)
{
    PrintMessage(text, hint);
    if (!MessageBoxes)
        return;
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    box.setInformativeText(hint);
    box.exec();
}

} // namespace corv
