#include "platform/print/PrintKeyInjector.h"

#include "template/KeyTable.h"

#include <QString>

namespace corv
{

PrintKeyInjector::PrintKeyInjector(std::FILE* out) : out_(out)
{
    // "[ " carries a space in the table; a line ends with the character.
    for (const KeyTableRow& row : KeyTable) {
        if (row.Code > 0 && row.Code < 256)
            names_[size_t(row.Code)] = ' ' + QByteArray(row.Name).trimmed();
    }
}

void PrintKeyInjector::sendKey(int vk, bool down)
{
    if (vk == 0)
        return;
    // Flushed at once so a reader of a pipe sees each event as it happens.
    std::fprintf(out_, "key %d %s%s\n", vk, down ? "down" : "up", names_[size_t(vk)].constData());
    std::fflush(out_);
}

void PrintKeyInjector::sendCharacter(char32_t c, bool down)
{
    const QByteArray text = QString::fromUcs4(&c, 1).toUtf8();
    std::fprintf(out_, "char U+%04X %s %s\n", unsigned(c), down ? "down" : "up", text.constData());
    std::fflush(out_);
}

} // namespace corv
