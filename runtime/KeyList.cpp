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
        << (layout ? ", what it types on this keyboard layout" : "") << "):\n";
    for (const KeyTableRow& row : KeyTable) {
        QString line = QString::fromLatin1(row.Name).leftJustified(NameWidth) +
                       QString::number(row.Code).rightJustified(3);
        const QString typed = layout && row.Code != 0 ? layout->typed(row.Code) : QString();
        if (!typed.isEmpty())
            line += QStringLiteral("  ") + typed;
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
