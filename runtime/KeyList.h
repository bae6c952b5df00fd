#pragma once

class QTextStream;

namespace corv
{

class KeyboardLayout;

// corvplay --list-keys: the numbers a hand-written template needs. First the
// key table, the codes of BUTTONn_k, one row each: the name, the code right
// aligned after column 16 and, when a layout is given, what the key types
// on it alone and with Shift. Then the keys MODE_SWITCH_KEY can name: the code and the name.
class KeyList
{
public:
    static constexpr int NameWidth = 16;
    static constexpr int TypedWidth = 10;

    static void Print(QTextStream& out, const KeyboardLayout* layout);
};

} // namespace corv
