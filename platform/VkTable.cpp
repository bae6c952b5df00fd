#include "platform/VkTable.h"

#include <X11/keysym.h>
#include <array>
#include <linux/input-event-codes.h>

namespace corv
{

namespace
{

// Letters map to their lower-case keysym, the one on the key's base level.
// Keypad digits map to the keypad key, so they follow the NumLock state like
// the real keypad. Punctuation codes use the US positions Windows names them by.
constexpr VkKey kRows[] = {
    {3, XK_Break, KEY_BREAK},
    {8, XK_BackSpace, KEY_BACKSPACE},
    {9, XK_Tab, KEY_TAB},
    {12, XK_Clear, KEY_CLEAR},
    {13, XK_Return, KEY_ENTER},
    {16, XK_Shift_L, KEY_LEFTSHIFT},
    {17, XK_Control_L, KEY_LEFTCTRL},
    {18, XK_Alt_L, KEY_LEFTALT},
    {19, XK_Pause, KEY_PAUSE},
    {20, XK_Caps_Lock, KEY_CAPSLOCK},
    {27, XK_Escape, KEY_ESC},
    {32, XK_space, KEY_SPACE},
    {33, XK_Prior, KEY_PAGEUP},
    {34, XK_Next, KEY_PAGEDOWN},
    {35, XK_End, KEY_END},
    {36, XK_Home, KEY_HOME},
    {37, XK_Left, KEY_LEFT},
    {38, XK_Up, KEY_UP},
    {39, XK_Right, KEY_RIGHT},
    {40, XK_Down, KEY_DOWN},
    {41, XK_Select, KEY_SELECT},
    {43, XK_Execute, 0},
    {44, XK_Print, KEY_SYSRQ},
    {45, XK_Insert, KEY_INSERT},
    {46, XK_Delete, KEY_DELETE},
    {47, XK_Help, KEY_HELP},
    {48, XK_0, KEY_0},
    {49, XK_1, KEY_1},
    {50, XK_2, KEY_2},
    {51, XK_3, KEY_3},
    {52, XK_4, KEY_4},
    {53, XK_5, KEY_5},
    {54, XK_6, KEY_6},
    {55, XK_7, KEY_7},
    {56, XK_8, KEY_8},
    {57, XK_9, KEY_9},
    {65, XK_a, KEY_A},
    {66, XK_b, KEY_B},
    {67, XK_c, KEY_C},
    {68, XK_d, KEY_D},
    {69, XK_e, KEY_E},
    {70, XK_f, KEY_F},
    {71, XK_g, KEY_G},
    {72, XK_h, KEY_H},
    {73, XK_i, KEY_I},
    {74, XK_j, KEY_J},
    {75, XK_k, KEY_K},
    {76, XK_l, KEY_L},
    {77, XK_m, KEY_M},
    {78, XK_n, KEY_N},
    {79, XK_o, KEY_O},
    {80, XK_p, KEY_P},
    {81, XK_q, KEY_Q},
    {82, XK_r, KEY_R},
    {83, XK_s, KEY_S},
    {84, XK_t, KEY_T},
    {85, XK_u, KEY_U},
    {86, XK_v, KEY_V},
    {87, XK_w, KEY_W},
    {88, XK_x, KEY_X},
    {89, XK_y, KEY_Y},
    {90, XK_z, KEY_Z},
    {91, XK_Super_L, KEY_LEFTMETA},
    {92, XK_Super_R, KEY_RIGHTMETA},
    {93, XK_Menu, KEY_COMPOSE},
    {96, XK_KP_0, KEY_KP0},
    {97, XK_KP_1, KEY_KP1},
    {98, XK_KP_2, KEY_KP2},
    {99, XK_KP_3, KEY_KP3},
    {100, XK_KP_4, KEY_KP4},
    {101, XK_KP_5, KEY_KP5},
    {102, XK_KP_6, KEY_KP6},
    {103, XK_KP_7, KEY_KP7},
    {104, XK_KP_8, KEY_KP8},
    {105, XK_KP_9, KEY_KP9},
    {106, XK_KP_Multiply, KEY_KPASTERISK},
    {107, XK_KP_Add, KEY_KPPLUS},
    {108, XK_KP_Separator, KEY_KPCOMMA},
    {109, XK_KP_Subtract, KEY_KPMINUS},
    {110, XK_KP_Decimal, KEY_KPDOT},
    {111, XK_KP_Divide, KEY_KPSLASH},
    {112, XK_F1, KEY_F1},
    {113, XK_F2, KEY_F2},
    {114, XK_F3, KEY_F3},
    {115, XK_F4, KEY_F4},
    {116, XK_F5, KEY_F5},
    {117, XK_F6, KEY_F6},
    {118, XK_F7, KEY_F7},
    {119, XK_F8, KEY_F8},
    {120, XK_F9, KEY_F9},
    {121, XK_F10, KEY_F10},
    {122, XK_F11, KEY_F11},
    {123, XK_F12, KEY_F12},
    {124, XK_F13, KEY_F13},
    {125, XK_F14, KEY_F14},
    {126, XK_F15, KEY_F15},
    {127, XK_F16, KEY_F16},
    {128, XK_F17, KEY_F17},
    {129, XK_F18, KEY_F18},
    {130, XK_F19, KEY_F19},
    {131, XK_F20, KEY_F20},
    {132, XK_F21, KEY_F21},
    {133, XK_F22, KEY_F22},
    {134, XK_F23, KEY_F23},
    {135, XK_F24, KEY_F24},
    {144, XK_Num_Lock, KEY_NUMLOCK},
    {145, XK_Scroll_Lock, KEY_SCROLLLOCK},
    {160, XK_Shift_L, KEY_LEFTSHIFT},
    {161, XK_Shift_R, KEY_RIGHTSHIFT},
    {162, XK_Control_L, KEY_LEFTCTRL},
    {163, XK_Control_R, KEY_RIGHTCTRL},
    {164, XK_Alt_L, KEY_LEFTALT},
    {165, XK_Alt_R, KEY_RIGHTALT},
    {186, XK_semicolon, KEY_SEMICOLON},
    {187, XK_equal, KEY_EQUAL},
    {188, XK_comma, KEY_COMMA},
    {189, XK_minus, KEY_MINUS},
    {190, XK_period, KEY_DOT},
    {191, XK_slash, KEY_SLASH},
    {192, XK_grave, KEY_GRAVE},
    {219, XK_bracketleft, KEY_LEFTBRACE},
    {220, XK_backslash, KEY_BACKSLASH},
    {221, XK_bracketright, KEY_RIGHTBRACE},
    {222, XK_apostrophe, KEY_APOSTROPHE},
};

constexpr std::array<VkKey, 256> byCode()
{
    std::array<VkKey, 256> table{};
    for (const VkKey& row : kRows)
        table[static_cast<size_t>(row.vk)] = row;
    return table;
}

constexpr std::array<VkKey, 256> kByCode = byCode();

} // namespace

unsigned long VkTable::keysym(int vk)
{
    return vk > 0 && vk < 256 ? kByCode[static_cast<size_t>(vk)].keysym : 0;
}

int VkTable::linuxKey(int vk)
{
    return vk > 0 && vk < 256 ? kByCode[static_cast<size_t>(vk)].linuxKey : 0;
}

char32_t VkTable::usCharacter(int vk, bool shift)
{
    if (vk == 32)
        return U' ';
    if (vk >= 'A' && vk <= 'Z')
        return shift ? char32_t(vk) : char32_t(vk - 'A' + 'a');
    if (vk >= '0' && vk <= '9')
        return shift ? char32_t(U")!@#$%^&*("[vk - '0']) : char32_t(vk);
    static constexpr struct {
        int vk;
        char32_t plain, shifted;
    } punctuation[] = {{186, U';', U':'},  {187, U'=', U'+'}, {188, U',', U'<'}, {189, U'-', U'_'},
                       {190, U'.', U'>'},  {191, U'/', U'?'}, {192, U'`', U'~'}, {219, U'[', U'{'},
                       {220, U'\\', U'|'}, {221, U']', U'}'}, {222, U'\'', U'"'}};
    for (const auto& row : punctuation) {
        if (row.vk == vk)
            return shift ? row.shifted : row.plain;
    }
    return 0;
}

std::span<const VkKey> VkTable::rows()
{
    return kRows;
}

} // namespace corv
