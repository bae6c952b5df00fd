#include "platform/xkb/XkbKeymap.h"

#include "platform/VkTable.h"
#include "platform/xkb/CharacterKeysyms.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <linux/input-event-codes.h>
#include <optional>
#include <set>
#include <xkbcommon/xkbcommon.h>

namespace corv
{

namespace
{

// xkbcommon numbers keys as X does, 8 above the kernel's codes.
constexpr int EvdevOffset = 8;
// The kernel's codes up to KEY_COMPOSE are the keys of an ordinary keyboard.
constexpr int PlainKeys = KEY_COMPOSE + 1;

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Shell-style KEY=value lines, quoted or not, as /etc/default/keyboard has them.
QString shellValue(const QString& text, QLatin1String key)
{
    static const QRegularExpression line(
        QStringLiteral(R"re(^\s*(?:export\s+)?(\w+)=(?:"([^"]*)"|'([^']*)'|([^\s#]*)))re"),
        QRegularExpression::MultilineOption);
    QString value;
    for (auto it = line.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1) == key) // the last assignment wins, as in a shell
            value = m.captured(2) + m.captured(3) + m.captured(4);
    }
    return value.trimmed();
}

// Option "XkbLayout" "de" in an xorg.conf InputClass section.
QString xorgValue(const QString& text, QLatin1String key)
{
    static const QRegularExpression line(QStringLiteral(R"re(^\s*Option\s+"(\w+)"\s+"([^"]*)")re"),
                                         QRegularExpression::MultilineOption |
                                             QRegularExpression::CaseInsensitiveOption);
    for (auto it = line.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1).compare(key, Qt::CaseInsensitive) == 0)
            return m.captured(2).trimmed();
    }
    return {};
}

// The key (kernel code) whose first level is sym, the preferred one if it
// has it, with the modifiers it sets while held.
struct ModifierKey {
    int code = 0;
    xkb_mod_mask_t mask = 0;
};

ModifierKey modifierKey(xkb_keymap* keymap, xkb_keysym_t sym, int preferred)
{
    ModifierKey found;
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap);
    for (xkb_keycode_t kc = xkb_keymap_min_keycode(keymap); kc <= last; ++kc) {
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keymap, kc, 0, 0, &syms) != 1 || syms[0] != sym)
            continue;
        if (found.code == 0 || int(kc) - EvdevOffset == preferred)
            found.code = int(kc) - EvdevOffset;
    }
    if (found.code == 0)
        return found;
    // What the key sets is read from a state rather than guessed from names:
    // some layouts put AltGr on Mod5, others elsewhere.
    xkb_state* state = xkb_state_new(keymap);
    if (state) {
        xkb_state_update_key(state, xkb_keycode_t(found.code + EvdevOffset), XKB_KEY_DOWN);
        found.mask = xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED);
        xkb_state_unref(state);
    }
    if (found.mask == 0)
        found.code = 0;
    return found;
}

QString symbolText(xkb_keysym_t sym)
{
    // Printable Latin-1 and Unicode keysyms are their character; a blank or
    // any other key is better told by name.
    if ((sym > 0x20 && sym < 0x7f) || (sym > 0xa0 && sym <= 0xff))
        return QString(QChar(char16_t(sym)));
    if (sym > 0x1000020 && sym <= 0x110ffff) {
        const char32_t c = char32_t(sym - 0x1000000);
        return QString::fromUcs4(&c, 1);
    }
    char name[64];
    return xkb_keysym_get_name(sym, name, sizeof name) > 0 ? QString::fromLatin1(name) : QString();
}

bool isKeypad(xkb_keysym_t sym)
{
    return sym >= XKB_KEY_KP_Space && sym <= XKB_KEY_KP_Equal;
}

} // namespace

QString XkbLayoutChoice::describe() const
{
    QString text = layout;
    if (!variant.isEmpty())
        text += QLatin1Char(':') + variant;
    if (!options.isEmpty())
        text += QStringLiteral(" with options ") + options;
    return text;
}

XkbKeymap::Sources XkbKeymap::readSources()
{
    Sources s;
    s.envLayout = qEnvironmentVariable("XKB_DEFAULT_LAYOUT");
    s.envVariant = qEnvironmentVariable("XKB_DEFAULT_VARIANT");
    s.envOptions = qEnvironmentVariable("XKB_DEFAULT_OPTIONS");
    s.defaultKeyboard = readText(QStringLiteral("/etc/default/keyboard"));
    s.xorgKeyboard = readText(QStringLiteral("/etc/X11/xorg.conf.d/00-keyboard.conf"));
    return s;
}

XkbLayoutChoice XkbKeymap::choose(const QString& spec, const Sources& s)
{
    if (!spec.trimmed().isEmpty()) {
        const QString layout = spec.section(QLatin1Char(':'), 0, 0).trimmed();
        const QString variant = spec.section(QLatin1Char(':'), 1).trimmed();
        return {layout, variant, {}, QStringLiteral("from --keyboard-layout")};
    }
    if (!s.envLayout.trimmed().isEmpty())
        return {s.envLayout.trimmed(), s.envVariant.trimmed(), s.envOptions.trimmed(),
                QStringLiteral("from XKB_DEFAULT_LAYOUT")};
    if (const QString layout = shellValue(s.defaultKeyboard, QLatin1String("XKBLAYOUT"));
        !layout.isEmpty())
        return {layout, shellValue(s.defaultKeyboard, QLatin1String("XKBVARIANT")),
                shellValue(s.defaultKeyboard, QLatin1String("XKBOPTIONS")),
                QStringLiteral("from /etc/default/keyboard")};
    if (const QString layout = xorgValue(s.xorgKeyboard, QLatin1String("XkbLayout"));
        !layout.isEmpty())
        return {layout, xorgValue(s.xorgKeyboard, QLatin1String("XkbVariant")),
                xorgValue(s.xorgKeyboard, QLatin1String("XkbOptions")),
                QStringLiteral("from /etc/X11/xorg.conf.d/00-keyboard.conf")};
    return {QStringLiteral("us"), {}, {}, QStringLiteral("the default")};
}

std::unique_ptr<XkbKeymap> XkbKeymap::openSession(const QString& spec, QString* error)
{
    return compile(choose(spec, readSources()), error);
}

std::unique_ptr<XkbKeymap> XkbKeymap::compile(const XkbLayoutChoice& choice, QString* error)
{
    // The environment was read already, into the choice; xkbcommon must not
    // read it again behind it.
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (!context) {
        *error = QStringLiteral("cannot start libxkbcommon");
        return nullptr;
    }
    // Our own message says what failed; xkbcommon's would be a dozen lines.
    xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
    const QByteArray layout = choice.layout.toUtf8(), variant = choice.variant.toUtf8(),
                     options = choice.options.toUtf8();
    xkb_rule_names names{};
    names.rules = "evdev";
    names.model = "pc105";
    names.layout = layout.constData();
    names.variant = variant.constData();
    names.options = options.constData();
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_context_unref(context);
    if (!keymap) {
        *error = QStringLiteral("cannot compile the keyboard layout %1 (%2)")
                     .arg(choice.describe(), choice.source);
        return nullptr;
    }

    std::unique_ptr<XkbKeymap> result(new XkbKeymap(choice));
    const ModifierKey shift = modifierKey(keymap, XKB_KEY_Shift_L, KEY_LEFTSHIFT);
    const ModifierKey altGr = modifierKey(keymap, XKB_KEY_ISO_Level3_Shift, KEY_RIGHTALT);
    result->shiftKey_ = shift.code;
    result->altGrKey_ = altGr.code;

    struct Walk {
        bool extended;
        xkb_level_index_t level;
        xkb_level_index_t deepest = 0;
        ModifierKey shift, altGr;
        XkbKeymap* self;
    } walk{false, 0, 0, shift, altGr, result.get()};
    // Lowest level first over all keys: a keysym found on two keys is typed
    // with the fewest modifiers. The keys of a plain keyboard come before
    // the media and extra keys some models map characters to (EuroSign on
    // KEY_EURO), which a compositor's own keymap may leave out. Only the
    // first layout: the others need a group switch, which would outlast the
    // key.
    const auto visit = [](xkb_keymap* km, xkb_keycode_t kc, void* data) {
        auto& w = *static_cast<Walk*>(data);
        if (xkb_keymap_num_layouts_for_key(km, kc) == 0 || int(kc) < EvdevOffset ||
            (int(kc) - EvdevOffset >= PlainKeys) != w.extended)
            return;
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(km, kc, 0);
        w.deepest = std::max(w.deepest, levels);
        if (w.level >= levels)
            return;
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(km, kc, 0, w.level, &syms);
        if (count != 1) // none, or several keysyms at once
            return;
        const int code = int(kc) - EvdevOffset;
        if (w.level == 0)
            w.self->baseSyms_.emplace(code, syms[0]);
        if (w.self->places_.count(syms[0]) != 0)
            return;
        // The fewest modifiers that select the level, from the keys we have;
        // a lock or a modifier no key sets here cannot be pressed around it.
        xkb_mod_mask_t masks[16];
        const size_t n = xkb_keymap_key_get_mods_for_level(km, kc, 0, w.level, masks, 16);
        std::optional<Place> best;
        for (size_t i = 0; i < n; ++i) {
            const xkb_mod_mask_t mask = masks[i];
            const bool shift = w.shift.code != 0 && (mask & w.shift.mask) == w.shift.mask;
            const bool altGr = w.altGr.code != 0 && (mask & w.altGr.mask) == w.altGr.mask;
            if (mask != ((shift ? w.shift.mask : 0) | (altGr ? w.altGr.mask : 0)))
                continue;
            if (!best || int(shift) + int(altGr) < int(best->shift) + int(best->altGr))
                best = Place{code, shift, altGr};
        }
        if (best)
            w.self->places_.emplace(syms[0], *best);
    };
    for (const bool extended : {false, true}) {
        walk.extended = extended;
        for (walk.level = 0; walk.level == 0 || walk.level < walk.deepest; ++walk.level)
            xkb_keymap_key_for_each(keymap, visit, &walk);
    }
    xkb_keymap_unref(keymap);
    return result;
}

XkbKeymap::Place XkbKeymap::place(uint32_t keysym) const
{
    const auto it = places_.find(keysym);
    return it == places_.end() ? Place{} : it->second;
}

XkbKeymap::Place XkbKeymap::characterPlace(char32_t c) const
{
    for (const uint32_t sym : CharacterKeysyms(c)) {
        if (sym == 0)
            break;
        if (const Place found = place(sym); found.code != 0)
            return found;
    }
    return {};
}

QList<int> XkbKeymap::keyCodes() const
{
    std::set<int> codes;
    for (const auto& [sym, where] : places_)
        codes.insert(where.code);
    for (const int code : {shiftKey_, altGrKey_}) {
        if (code != 0)
            codes.insert(code);
    }
    return {codes.begin(), codes.end()};
}

QString XkbKeymap::typed(int vk) const
{
    const auto sym = xkb_keysym_t(VkTable::keysym(vk));
    if (sym == XKB_KEY_NoSymbol)
        return {};
    // Printable keys are typed where the layout has their keysym, with its
    // level's modifiers; the others by their position.
    if (sym >= XKB_KEY_space && sym <= XKB_KEY_asciitilde)
        return place(sym).code != 0 ? symbolText(sym) : QString();
    const auto base = baseSyms_.find(VkTable::linuxKey(vk));
    if (base == baseSyms_.end())
        return {};
    return symbolText(isKeypad(sym) ? sym : base->second);
}

} // namespace corv
