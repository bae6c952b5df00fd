#include "runtime/KeyList.h"

#include "platform/KeyboardLayout.h"
#include "platform/Platform.h"
#include "runtime/components/TSysHotKey.h"
#include "template/KeyTable.h"

#include <QTextStream>

namespace corv
{

void KeyList::Print(QTextStream& out, const KeyboardLayout* layout)
{
    out << "Key codes, for BUTTONn_k (name, code"
        << (layout ? ", what it types on this keyboard layout alone and with Shift; * not on "
                     "the layout: xtest types it through a spare keycode, uinput cannot"
                   : "")
        << "):\n";
    // A printable key types its US character on any layout, marked when the
    // layout has to lend a spare keycode for it.
    auto character = [layout](int code, bool shift) {
        const char32_t c = KeyboardLayout::usCharacter(code, shift);
        if (c == 0 || c == U' ')
            return QString();
        return QString::fromUcs4(&c, 1) + (layout->onLayout(c) ? QString() : QStringLiteral("*"));
    };
    for (const KeyTableRow& row : KeyTable) {
        QString line = QString::fromLatin1(row.Name).leftJustified(NameWidth) +
                       QString::number(row.Code).rightJustified(3);
        if (layout && row.Code != 0) {
            QString alone = character(row.Code, false);
            if (alone.isEmpty())
                alone = layout->typed(row.Code);
            const QString shifted = character(row.Code, true);
            if (!alone.isEmpty() || !shifted.isEmpty())
                line += QStringLiteral("  ") +
                        (shifted.isEmpty() ? alone : alone.leftJustified(TypedWidth) + shifted);
        }
        out << line << '\n';
    }

    out << "\nMode-switch keys, for MODE_SWITCH_KEY (code, name):\n";
    // Position 0 of the hot-key table is no key.
    for (size_t i = 1; i < TSysHotKey::HotKeyKeyTable.size(); ++i) {
        const int code = TSysHotKey::HotKeyKeyTable[i];
        QString name = KeyCodeToKeyName(QString::number(code));
        if (name.isEmpty())
            name = Platform::keyName(code);
        out << QString::number(code).rightJustified(3) << "  " << name << '\n';
    }
    out.flush();
}

} // namespace corv
