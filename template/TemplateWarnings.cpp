#include "template/TemplateWarnings.h"

#include "template/Apps.h"
#include "template/Inputs.h"
#include "template/KeyTable.h"
#include "template/ProfileFile.h"
#include "template/RuntimeTemplate.h"
#include "template/TemplateFile.h"
#include "template/TemplateNames.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <map>
#include <numeric>
#include <optional>
#include <vector>

namespace corv
{

using namespace TemplateNames;

namespace
{

using RawKey = ProfileFile::RawKey;
using RawSection = ProfileFile::RawSection;

int editDistance(const QString& a, const QString& b)
{
    const QString x = a.toUpper();
    const QString y = b.toUpper();
    std::vector<int> previous(size_t(y.size()) + 1);
    std::vector<int> current(previous.size());
    std::iota(previous.begin(), previous.end(), 0);
    for (qsizetype i = 0; i < x.size(); ++i) {
        current[0] = int(i) + 1;
        for (qsizetype j = 0; j < y.size(); ++j) {
            const int change = previous[size_t(j)] + (x[i] == y[j] ? 0 : 1);
            current[size_t(j) + 1] =
                std::min({previous[size_t(j) + 1] + 1, current[size_t(j)] + 1, change});
        }
        std::swap(previous, current);
    }
    return previous.back();
}

// The known name a slip of the keyboard away from name, or empty.
QString nearest(const QString& name, const QStringList& known)
{
    QString best;
    int bestDistance = 3;
    for (const QString& candidate : known) {
        if (std::abs(candidate.size() - name.size()) >= bestDistance)
            continue; // at least that many letters apart
        const int d = editDistance(name, candidate);
        if (d < bestDistance) {
            best = candidate;
            bestDistance = d;
        }
    }
    return bestDistance * 3 <= name.size() ? best : QString();
}

// The names --check knows, for its suggestions; made once.
const QStringList& knownSections()
{
    static const QStringList names = [] {
        QStringList list{Identified, Global, MappingSection, DescriptionSection};
        for (int m = 1; m <= MaxModes; ++m)
            list << modeSection(m);
        return list;
    }();
    return names;
}

const QStringList& globalKeys()
{
    static const QStringList names = [] {
        QStringList list;
        for (int m = 1; m <= MaxModes; ++m)
            list << modeNameKey(m);
        list << QStringLiteral("BUTTONS") << QStringLiteral("MODE_SWITCH_BUTTON")
             << QStringLiteral("MODE_SWITCH_KEY") << QStringLiteral("DESCRIPTION")
             << QStringLiteral("RESPONSE") << QStringLiteral("DIGITAL")
             << QStringLiteral("FORECOLOUR") << QStringLiteral("FORECOLOURS")
             << QStringLiteral("BACKCOLOUR") << QStringLiteral("BACKCOLOURS")
             << QStringLiteral("FONTNAME") << QStringLiteral("FONTSIZE")
             << QStringLiteral("FONTBOLD") << QStringLiteral("FONTITALIC")
             << QStringLiteral("MODES") << globalExtensionKeys();
        for (int axis = 1; axis <= MaxAxes; ++axis)
            list << axisThresholdKey(axis);
        return list;
    }();
    return names;
}

const QStringList& mappingKeys()
{
    static const QStringList names = [] {
        QStringList list;
        for (int n = 1; n <= MaxButtons; ++n)
            list << buttonKey(n);
        return list;
    }();
    return names;
}

const QStringList& modeKeys()
{
    static const QStringList names = [] {
        QStringList list;
        for (int n = 1; n <= MaxButtons; ++n) {
            const QString p = buttonKey(n) + QLatin1Char('_');
            list << p + QStringLiteral("COUNT") << p + QStringLiteral("DESC")
                 << p + QStringLiteral("REPEAT");
            for (const QString& suffix : mappingExtensionSuffixes())
                list << p + suffix;
            for (int k = 1; k <= MaxSlots; ++k) {
                const QString slot = p + QString::number(k);
                list << slot << slot + QStringLiteral("_Alt") << slot + QStringLiteral("_Shift")
                     << slot + QStringLiteral("_Ctrl");
            }
        }
        return list;
    }();
    return names;
}

QString shown(const RawKey& key)
{
    return key.Key + QLatin1Char('=') + key.Value;
}

// The key table row whose name the text spells, ignoring case ("W", "space").
const KeyTableRow* keyNamed(const QString& text)
{
    for (size_t row = 1; row < KeyTable.size(); ++row) {
        if (text.compare(QLatin1String(KeyTable[row].Name), Qt::CaseInsensitive) == 0)
            return &KeyTable[row];
    }
    return nullptr;
}

// What the player reads from GLOBAL and MAPPING, which the checks of the
// other sections depend on.
struct Context {
    int32_t Modes = 0;
    bool ModesGiven = false;
    int32_t Buttons = 0;
    bool ButtonsGiven = false;
    std::optional<int32_t> SwitchButton;
    std::array<std::optional<int32_t>, MaxButtons + 1> Ids; // by button number
    // INPUTS=SEPARATE: button numbers name inputs, 0 for a name that does not parse.
    bool Separate = false;
    std::array<InputMask, MaxButtons + 1> Inputs{}; // by button number

    QString modesText() const
    {
        return ModesGiven ? QStringLiteral("MODES=%1").arg(Modes)
                          : QStringLiteral("[GLOBAL] has no MODES");
    }
    QString buttonsText() const
    {
        return ButtonsGiven ? QStringLiteral("BUTTONS=%1").arg(Buttons)
                            : QStringLiteral("[GLOBAL] has no BUTTONS");
    }
    // The button number a press of id finds, 0 for none.
    int numberOf(int32_t id) const
    {
        for (int n = 1; n <= std::min(Buttons, MaxButtons); ++n) {
            if (Ids[size_t(n)] == id)
                return n;
        }
        return 0;
    }
};

class Checker
{
public:
    Checker(const ProfileFile& file, std::span<const uint8_t> hotKeys)
        : file_(file), hotKeys_(hotKeys)
    {
        c_.Modes = file.readInt(Global, QStringLiteral("MODES"), 0);
        c_.ModesGiven = present(file, Global, QStringLiteral("MODES"));
        c_.Buttons = file.readInt(Global, QStringLiteral("BUTTONS"), 0);
        c_.ButtonsGiven = present(file, Global, QStringLiteral("BUTTONS"));
        const QString switchButton =
            file.readString(Global, QStringLiteral("MODE_SWITCH_BUTTON"), {});
        c_.SwitchButton = ProfileFile::parseInt(switchButton);
        for (int n = 1; n <= MaxButtons; ++n) {
            const QString key = buttonKey(n);
            if (present(file, MappingSection, key))
                c_.Ids[size_t(n)] = file.readInt(MappingSection, key, 0);
        }
        // The player's reading: any other value is COMBINED.
        c_.Separate = file.readString(Global, QStringLiteral("INPUTS"), {})
                          .trimmed()
                          .compare(QLatin1String("SEPARATE"), Qt::CaseInsensitive) == 0;
        if (c_.Separate) {
            for (int n = 1; n <= MaxButtons; ++n)
                c_.Inputs[size_t(n)] =
                    ParseInputs(file.readString(MappingSection, buttonKey(n), {})).value_or(0);
        }
    }

    QList<TemplateWarning> run()
    {
        QHash<QString, int> sectionLines;
        int buttonsLine = 0;
        for (const RawSection& section : file_.rawSections()) {
            const QString name = section.Name.toUpper();
            for (int line : section.NonKeys)
                warn(line, QStringLiteral("not a KEY=VALUE line; ignored"));
            if (section.Line == 0) {
                for (const RawKey& key : section.Keys)
                    warn(key.Line,
                         QStringLiteral("%1: outside any section; ignored").arg(shown(key)));
                continue;
            }
            if (!section.Closed)
                warn(section.Line, QStringLiteral("[%1: no closing ']'").arg(section.Name));
            if (sectionLines.contains(name)) {
                warn(section.Line, QStringLiteral("[%1] again (first on line %2); only the first "
                                                  "is read")
                                       .arg(section.Name)
                                       .arg(sectionLines.value(name)));
                continue;
            }
            sectionLines.insert(name, section.Line);
            const QList<const RawKey*> keys = firstKeys(section);

            static const QRegularExpression modeName(QStringLiteral("^MODE(\\d+)$"));
            const QRegularExpressionMatch mode = modeName.match(name);
            if (name == Global) {
                for (const RawKey* key : keys) {
                    checkGlobal(*key);
                    if (key->Key.compare(QLatin1String("BUTTONS"), Qt::CaseInsensitive) == 0)
                        buttonsLine = key->Line;
                }
            } else if (name == MappingSection) {
                checkMapping(keys);
            } else if (name == Identified) {
                checkIdentified(keys);
            } else if (name == DescriptionSection) {
                // For people reading the file; nothing reads it.
            } else if (mode.hasMatch()) {
                const int m = mode.captured(1).toInt();
                if (m >= 1 && m <= MaxModes)
                    checkMode(m, section, keys);
                else
                    warn(section.Line, QStringLiteral("[%1]: modes are 1 to %2; never read")
                                           .arg(section.Name)
                                           .arg(MaxModes));
            } else {
                const QString near = nearest(section.Name, knownSections());
                warn(section.Line,
                     near.isEmpty()
                         ? QStringLiteral("[%1]: unknown section; ignored").arg(section.Name)
                         : QStringLiteral("[%1]: did you mean [%2]?").arg(section.Name, near));
            }
        }
        // Button numbers the player reads but the file does not give.
        QStringList missing;
        for (int n = 1; n <= std::min(c_.Buttons, MaxButtons); ++n) {
            if (!c_.Ids[size_t(n)])
                missing << buttonKey(n);
        }
        if (!missing.isEmpty() && buttonsLine > 0 && c_.Separate)
            warn(buttonsLine,
                 QStringLiteral("%1: %2 %3 missing, so %4 no input and never %5")
                     .arg(c_.buttonsText(), missing.join(QStringLiteral(", ")),
                          missing.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"),
                          missing.size() == 1 ? QStringLiteral("it names")
                                              : QStringLiteral("each names"),
                          missing.size() == 1 ? QStringLiteral("acts") : QStringLiteral("act")));
        else if (!missing.isEmpty() && buttonsLine > 0)
            warn(buttonsLine,
                 QStringLiteral("%1: %2 %3 missing, so %4 ButtonId 0 (the hat "
                                "pushed forward)")
                     .arg(c_.buttonsText(), missing.join(QStringLiteral(", ")),
                          missing.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"),
                          missing.size() == 1 ? QStringLiteral("it is")
                                              : QStringLiteral("each is")));

        std::stable_sort(
            warnings_.begin(), warnings_.end(),
            [](const TemplateWarning& a, const TemplateWarning& b) { return a.Line < b.Line; });
        return warnings_;
    }

private:
    void warn(int line, const QString& text) { warnings_.append({line, text}); }

    // The keys of a section a reader sees: the first of each name.
    QList<const RawKey*> firstKeys(const RawSection& section)
    {
        QHash<QString, int> lines;
        QList<const RawKey*> keys;
        for (const RawKey& key : section.Keys) {
            const QString name = key.Key.toUpper();
            if (lines.contains(name)) {
                warn(key.Line, QStringLiteral("%1 again (first on line %2); only the first is read")
                                   .arg(key.Key)
                                   .arg(lines.value(name)));
                continue;
            }
            lines.insert(name, key.Line);
            keys.append(&key);
            // "BUTTON1_1=83 ; s" reads as 0, and a mode name keeps the comment.
            static const QRegularExpression inlineComment(QStringLiteral("\\s;"));
            // Descriptions, texts and APPS lists are free text.
            if (section.Name.compare(DescriptionSection, Qt::CaseInsensitive) != 0 &&
                !name.endsWith(QLatin1String("_TEXT")) && name != QLatin1String("APPS") &&
                inlineComment.match(key.Value).hasMatch())
                warn(key.Line, QStringLiteral("%1: comments must be on their own line; the value "
                                              "is all of \"%2\"")
                                   .arg(key.Key, key.Value));
        }
        return keys;
    }

    void unknownKey(const RawKey& key, const QString& section, const QStringList& known)
    {
        const QString near = nearest(key.Key, known);
        warn(key.Line,
             near.isEmpty()
                 ? QStringLiteral("%1: unknown key in [%2]; ignored").arg(key.Key, section)
                 : QStringLiteral("%1: did you mean %2?").arg(key.Key, near));
    }

    // An integer in lo..hi; fallback is what a reader makes of a non-number.
    void number(const RawKey& key, int32_t lo, int32_t hi, const QString& fallback)
    {
        const std::optional<int32_t> value = ProfileFile::parseInt(key.Value);
        if (!value) {
            warn(key.Line,
                 QStringLiteral("%1: not a number; it reads as %2").arg(shown(key), fallback));
        } else if (*value < lo || *value > hi) {
            warn(key.Line,
                 hi == INT_MAX
                     ? QStringLiteral("%1: must be %2 or more").arg(shown(key)).arg(lo)
                     : QStringLiteral("%1: must be %2 to %3").arg(shown(key)).arg(lo).arg(hi));
        }
    }

    // An integer the player brings into lo..hi; fallback is its default.
    void clamped(const RawKey& key, int32_t lo, int32_t hi, int32_t fallback)
    {
        const std::optional<int32_t> value = ProfileFile::parseInt(key.Value);
        if (!value)
            warn(key.Line,
                 QStringLiteral("%1: not a number; it reads as %2").arg(shown(key)).arg(fallback));
        else if (*value < lo || *value > hi)
            warn(key.Line, QStringLiteral("%1: must be %2 to %3; the player uses %4")
                               .arg(shown(key))
                               .arg(lo)
                               .arg(hi)
                               .arg(std::clamp(*value, lo, hi)));
    }

    // A name of [MAPPING] or MODE_SWITCH_BUTTON in a separate-inputs template.
    void inputName(const RawKey& key, const QString& consequence)
    {
        QString error;
        if (ProfileFile::parseInt(key.Value))
            warn(key.Line, QStringLiteral("%1: a ButtonId, not an input name (B1, HAT_UP, "
                                          "AXIS1_POS, B1+B2 ...); %2")
                               .arg(shown(key), consequence));
        else if (!ParseInputs(key.Value, &error))
            warn(key.Line, QStringLiteral("%1: %2; %3").arg(shown(key), error, consequence));
    }

    void flag(const RawKey& key, bool fallback)
    {
        if (key.Value == QLatin1String("0") || key.Value == QLatin1String("1"))
            return;
        const std::optional<int32_t> value = ProfileFile::parseInt(key.Value);
        const bool readsAs = value ? *value != 0 : fallback;
        warn(key.Line, QStringLiteral("%1: use 1 or 0; this reads as %2")
                           .arg(shown(key), readsAs ? QStringLiteral("1") : QStringLiteral("0")));
    }

    // A key code; an empty value is an empty slot or no mode-switch key.
    void keyCode(const RawKey& key, bool switchKey)
    {
        if (key.Value.isEmpty())
            return;
        const std::optional<int32_t> code = ProfileFile::parseInt(key.Value);
        if (!code) {
            const KeyTableRow* row = keyNamed(key.Value);
            warn(key.Line, row ? QStringLiteral("%1: key codes are numbers; %2 is %3")
                                     .arg(shown(key), QLatin1String(row->Name))
                                     .arg(row->Code)
                               : QStringLiteral("%1: key codes are numbers (corvplay --list-keys "
                                                "lists them)")
                                     .arg(shown(key)));
        } else if (*code < 1 || *code > 255) {
            warn(key.Line, QStringLiteral("%1: key codes are 1 to 255").arg(shown(key)));
        } else if (switchKey) {
            if (!hotKeys_.empty() &&
                std::find(hotKeys_.begin(), hotKeys_.end(), *code) == hotKeys_.end())
                warn(key.Line,
                     QStringLiteral("%1: this key cannot be a hot key, so no key switches "
                                    "the mode (corvplay --list-keys lists those that can)")
                         .arg(shown(key)));
        } else if (KeyCodeToKeyName(QString::number(*code)).isEmpty()) {
            warn(key.Line, QStringLiteral("%1: key code %2 is not in the key table (corvplay "
                                          "--list-keys lists the table)")
                               .arg(shown(key))
                               .arg(*code));
        }
    }

    // AXISk_THRESHOLD; false for any other key. 0 or a non-number leaves the
    // axis at AXIS_THRESHOLD.
    bool axisThreshold(const RawKey& key)
    {
        static const QRegularExpression name(QStringLiteral("^AXIS(\\d+)_THRESHOLD$"),
                                             QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = name.match(key.Key);
        const int axis = match.hasMatch() ? match.captured(1).toInt() : 0;
        if (axis < 1 || axis > MaxAxes || match.captured(1) != QString::number(axis))
            return false;
        const std::optional<int32_t> value = ProfileFile::parseInt(key.Value);
        if (!value)
            warn(key.Line, QStringLiteral("%1: not a number; axis %2 takes AXIS_THRESHOLD")
                               .arg(shown(key))
                               .arg(axis));
        else if (*value != 0 && (*value < RuntimeTemplate::MinAxisThreshold ||
                                 *value > RuntimeTemplate::MaxAxisThreshold))
            warn(key.Line, QStringLiteral("%1: must be %2 to %3; the player uses %4")
                               .arg(shown(key))
                               .arg(RuntimeTemplate::MinAxisThreshold)
                               .arg(RuntimeTemplate::MaxAxisThreshold)
                               .arg(std::clamp(*value, RuntimeTemplate::MinAxisThreshold,
                                               RuntimeTemplate::MaxAxisThreshold)));
        return true;
    }

    void checkGlobal(const RawKey& key)
    {
        const QString name = key.Key.toUpper();
        static const QRegularExpression text(
            QStringLiteral("^(MODE[1-5]NAME|DESCRIPTION|FONTNAME|FORECOLOURS|BACKCOLOURS)$"));
        if (text.match(name).hasMatch())
            return; // texts; a colour a reader cannot use is reported where it is read
        if (name == QLatin1String("BUTTONS"))
            number(key, 0, MaxButtons, QStringLiteral("0"));
        else if (name == QLatin1String("MODES"))
            number(key, 0, MaxModes, QStringLiteral("0"));
        else if (name == QLatin1String("MODE_SWITCH_BUTTON")) {
            if (key.Value.isEmpty())
                return;
            if (c_.Separate)
                inputName(key, QStringLiteral("no input switches the mode"));
            else
                number(key, INT_MIN, INT_MAX, QStringLiteral("no mode-switch button"));
        } else if (name == QLatin1String("INPUTS")) {
            const QString value = key.Value.trimmed();
            if (value.compare(QLatin1String("SEPARATE"), Qt::CaseInsensitive) != 0 &&
                value.compare(QLatin1String("COMBINED"), Qt::CaseInsensitive) != 0)
                warn(key.Line,
                     QStringLiteral("%1: use SEPARATE or COMBINED; this plays as COMBINED")
                         .arg(shown(key)));
        } else if (name == QLatin1String("KEYS")) {
            const QString value = key.Value.trimmed();
            if (value.compare(QLatin1String("CHARACTERS"), Qt::CaseInsensitive) != 0 &&
                value.compare(QLatin1String("POSITIONS"), Qt::CaseInsensitive) != 0)
                warn(key.Line,
                     QStringLiteral("%1: use CHARACTERS or POSITIONS; this plays as CHARACTERS")
                         .arg(shown(key)));
        } else if (name == QLatin1String("APPS")) {
            QStringList problems;
            ParseApps(key.Value, &problems);
            for (const QString& problem : problems)
                warn(key.Line, QStringLiteral("%1: %2").arg(shown(key), problem));
        } else if (name == QLatin1String("CHORD_MS"))
            clamped(key, 0, RuntimeTemplate::MaxChordMs, RuntimeTemplate::DefaultChordMs);
        else if (name == QLatin1String("AXIS_THRESHOLD"))
            clamped(key, RuntimeTemplate::MinAxisThreshold, RuntimeTemplate::MaxAxisThreshold,
                    RuntimeTemplate::DefaultAxisThreshold);
        else if (axisThreshold(key))
            return;
        else if (name == QLatin1String("MODE_SWITCH_KEY"))
            keyCode(key, true);
        else if (name == QLatin1String("RESPONSE"))
            number(key, 0, 6, QStringLiteral("3"));
        else if (name == QLatin1String("DIGITAL"))
            flag(key, true);
        else if (name == QLatin1String("FORECOLOUR"))
            number(key, 0, 15, QStringLiteral("0"));
        else if (name == QLatin1String("BACKCOLOUR"))
            number(key, 0, 15, QStringLiteral("7"));
        else if (name == QLatin1String("FONTSIZE"))
            number(key, 1, INT_MAX, QStringLiteral("8"));
        else if (name == QLatin1String("FONTBOLD") || name == QLatin1String("FONTITALIC"))
            flag(key, false);
        else
            unknownKey(key, Global, globalKeys());
    }

    void checkMapping(const QList<const RawKey*>& keys)
    {
        static const QRegularExpression buttonName(QStringLiteral("^BUTTON(\\d+)$"),
                                                   QRegularExpression::CaseInsensitiveOption);
        QHash<int32_t, int> idLines;
        for (const RawKey* key : keys) {
            const QRegularExpressionMatch match = buttonName.match(key->Key);
            const int n = match.hasMatch() ? match.captured(1).toInt() : 0;
            if (n < 1 || n > MaxButtons) {
                unknownKey(*key, MappingSection, mappingKeys());
                continue;
            }
            if (n > c_.Buttons) {
                warn(
                    key->Line,
                    QStringLiteral("%1: beyond %2; never read").arg(shown(*key), c_.buttonsText()));
                continue;
            }
            if (c_.Separate) {
                inputName(*key, QStringLiteral("this button number never acts"));
                continue;
            }
            const std::optional<int32_t> id = ProfileFile::parseInt(key->Value);
            if (!id) {
                warn(key->Line,
                     QStringLiteral("%1: %2; it reads as ButtonId 0 (the hat pushed "
                                    "forward)")
                         .arg(shown(*key), key->Value.isEmpty() ? QStringLiteral("no ButtonId")
                                                                : QStringLiteral("not a number")));
            } else if (idLines.contains(*id)) {
                warn(key->Line, QStringLiteral("%1: ButtonId %2 is also on line %3; a press "
                                               "only ever finds that one")
                                    .arg(shown(*key))
                                    .arg(*id)
                                    .arg(idLines.value(*id)));
            } else {
                idLines.insert(*id, key->Line);
            }
        }
    }

    void checkIdentified(const QList<const RawKey*>& keys)
    {
        const int32_t count = file_.readInt(Identified, QStringLiteral("NUMBER"), 0);
        for (const RawKey* key : keys) {
            if (key->Key.compare(QLatin1String("NUMBER"), Qt::CaseInsensitive) == 0) {
                number(*key, 0, INT_MAX, QStringLiteral("0"));
                continue;
            }
            bool isNumber = false;
            const int n = key->Key.toInt(&isNumber);
            if (!isNumber || n < 1) {
                unknownKey(*key, Identified, {QStringLiteral("NUMBER")});
            } else if (n > count) {
                warn(
                    key->Line,
                    QStringLiteral("%1: beyond NUMBER=%2; never read").arg(shown(*key)).arg(count));
            } else if (c_.Separate) {
                if (!ParseInputs(key->Value.section(u',', 0, 0)))
                    warn(key->Line, QStringLiteral("%1: must be an input name, a comma and a name")
                                        .arg(shown(*key)));
            } else if (!ProfileFile::parseInt(key->Value.section(u',', 0, 0))) {
                warn(key->Line,
                     QStringLiteral("%1: must be a ButtonId, a comma and a name").arg(shown(*key)));
            }
        }
    }

    struct Button {
        int FirstLine = 0;
        const RawKey* Count = nullptr;
        const RawKey* Repeat = nullptr;
        const RawKey* Action = nullptr;
        const RawKey* Mode = nullptr;
        std::array<const RawKey*, MaxSlots + 1> Slots{}; // by slot number
        std::array<bool, MaxSlots + 1> Characters{};     // a slot's _CHAR
    };

    void checkMode(int m, const RawSection& section, const QList<const RawKey*>& keys)
    {
        static const QRegularExpression keyName(
            QStringLiteral(
                "^BUTTON(\\d+)_(?:(COUNT|DESC|REPEAT|ACTION|RATE|PRESS_MS|GAP_MS|MODE|TEXT)|"
                "(\\d+)(?:_(ALT|SHIFT|CTRL|CHAR))?)$"),
            QRegularExpression::CaseInsensitiveOption);
        const bool read = m <= c_.Modes;
        if (!read)
            warn(section.Line, QStringLiteral("[%1]: %2, so this mode is never read")
                                   .arg(section.Name, c_.modesText()));
        std::map<int, Button> buttons;
        for (const RawKey* key : keys) {
            const QRegularExpressionMatch match = keyName.match(key->Key);
            if (!match.hasMatch()) {
                unknownKey(*key, section.Name, modeKeys());
                continue;
            }
            const int n = match.captured(1).toInt();
            const int slot = match.captured(3).isEmpty() ? 0 : match.captured(3).toInt();
            if (n < 1 || n > MaxButtons ||
                (match.hasCaptured(3) && (slot < 1 || slot > MaxSlots))) {
                warn(key->Line, QStringLiteral("%1: button numbers are 1 to %2 and slots 1 to %3; "
                                               "ignored")
                                    .arg(key->Key)
                                    .arg(MaxButtons)
                                    .arg(MaxSlots));
                continue;
            }
            Button& button = buttons[n];
            if (button.FirstLine == 0)
                button.FirstLine = key->Line;
            const QString word = match.captured(2).toUpper();
            if (word == QLatin1String("COUNT")) {
                button.Count = key;
                number(*key, 0, MaxSlots, QStringLiteral("0"));
            } else if (word == QLatin1String("REPEAT")) {
                button.Repeat = key;
                flag(*key, false);
            } else if (word == QLatin1String("ACTION")) {
                button.Action = key;
            } else if (word == QLatin1String("MODE")) {
                button.Mode = key;
            } else if (word == QLatin1String("RATE")) {
                clamped(*key, MappingTiming::MinRate, MappingTiming::MaxRate,
                        MappingTiming::DefaultRate);
            } else if (word == QLatin1String("PRESS_MS")) {
                clamped(*key, 0, MappingTiming::MaxPressMs, 0);
            } else if (word == QLatin1String("GAP_MS")) {
                clamped(*key, 0, MappingTiming::MaxGapMs, 0);
            } else if (match.captured(4).compare(QLatin1String("CHAR"), Qt::CaseInsensitive) == 0) {
                button.Characters[size_t(slot)] = ParseCharacter(key->Value).has_value();
                if (!ParseCharacter(key->Value))
                    warn(key->Line,
                         QStringLiteral("%1: write a character as U+ and its hexadecimal "
                                        "code, such as U+00E9; this slot types its key")
                             .arg(shown(*key)));
            } else if (match.hasCaptured(4)) {
                flag(*key, false);
            } else if (slot > 0) {
                button.Slots[size_t(slot)] = key;
                keyCode(*key, false);
            }
        }

        // Button numbers by the inputs they name, for chords named twice.
        QHash<InputMask, int> named;
        for (const auto& [n, button] : buttons) {
            if (n > c_.Buttons) {
                warn(button.FirstLine, QStringLiteral("BUTTON%1: beyond %2, so the keys of button "
                                                      "number %1 are never read")
                                           .arg(n)
                                           .arg(c_.buttonsText()));
                continue;
            }
            if (!read)
                continue;
            checkAction(n, button);
            checkButton(m, n, button);
            const InputMask inputs = c_.Inputs[size_t(n)];
            if (!c_.Separate || inputs == 0)
                continue;
            if (named.contains(inputs))
                warn(button.FirstLine,
                     QStringLiteral("BUTTON%1: names %2, as BUTTON%3 does, and both have keys in "
                                    "[%4]; map each input or chord once in a mode")
                         .arg(n)
                         .arg(InputMaskName(inputs))
                         .arg(named.value(inputs))
                         .arg(section.Name));
            else
                named.insert(inputs, n);
        }
    }

    // BUTTONn_ACTION and BUTTONn_MODE as the player reads them.
    void checkAction(int n, const Button& button)
    {
        MappingAction action = MappingAction::Tap;
        if (button.Action) {
            const std::optional<MappingAction> parsed = ParseMappingAction(button.Action->Value);
            if (!parsed) {
                warn(button.Action->Line,
                     QStringLiteral("%1: not an action (TAP, HOLD, TOGGLE, TURBO, MODE or "
                                    "LAYER); it plays as TAP")
                         .arg(shown(*button.Action)));
            } else if (!c_.Separate &&
                       (*parsed == MappingAction::Mode || *parsed == MappingAction::Layer)) {
                warn(button.Action->Line, QStringLiteral("%1: only a template with "
                                                         "INPUTS=SEPARATE switches modes from a "
                                                         "mapping; it plays as TAP")
                                              .arg(shown(*button.Action)));
            } else {
                action = *parsed;
            }
        }
        const bool switches = action == MappingAction::Mode || action == MappingAction::Layer;
        const std::optional<int32_t> target =
            button.Mode ? ProfileFile::parseInt(button.Mode->Value) : std::nullopt;
        const bool validTarget = target && *target >= 1 && *target <= MaxModes;
        if (switches && !button.Mode)
            warn(button.Action->Line, QStringLiteral("%1: no BUTTON%2_MODE, so this mapping does "
                                                     "nothing")
                                          .arg(shown(*button.Action))
                                          .arg(n));
        else if (switches && !validTarget)
            warn(button.Mode->Line, QStringLiteral("%1: modes are 1 to %2, so BUTTON%3_ACTION=%4 "
                                                   "does nothing")
                                        .arg(shown(*button.Mode))
                                        .arg(MaxModes)
                                        .arg(n)
                                        .arg(MappingActionName(action)));
        else if (!switches && button.Mode)
            warn(button.Mode->Line, QStringLiteral("%1: only BUTTON%2_ACTION=MODE or LAYER reads "
                                                   "it; ignored")
                                        .arg(shown(*button.Mode))
                                        .arg(n));

        if (action != MappingAction::Hold && action != MappingAction::Toggle)
            return;
        // A held key is down already: a second slot with it presses nothing.
        const int count =
            button.Count
                ? std::clamp(ProfileFile::parseInt(button.Count->Value).value_or(0), 0, MaxSlots)
                : 0;
        QHash<int, int> slotOfCode;
        for (int k = 1; k <= count; ++k) {
            const RawKey* slot = button.Slots[size_t(k)];
            const int code = slot ? ProfileFile::parseInt(slot->Value).value_or(0) & 0xFF : 0;
            if (code == 0)
                continue;
            if (slotOfCode.contains(code))
                warn(slot->Line, QStringLiteral("%1: slot %2 holds key code %3 already; "
                                                "BUTTON%4_ACTION=%5 keeps it down, so this slot "
                                                "presses nothing")
                                     .arg(shown(*slot))
                                     .arg(slotOfCode.value(code))
                                     .arg(code)
                                     .arg(n)
                                     .arg(MappingActionName(action)));
            else
                slotOfCode.insert(code, k);
        }
    }

    void checkButton(int m, int n, const Button& button)
    {
        const int count =
            button.Count
                ? std::clamp(ProfileFile::parseInt(button.Count->Value).value_or(0), 0, MaxSlots)
                : 0;
        QStringList missing;
        for (int k = 1; k <= count; ++k) {
            if (!button.Slots[size_t(k)] && !button.Characters[size_t(k)])
                missing << QStringLiteral("BUTTON%1_%2").arg(n).arg(k);
        }
        if (!missing.isEmpty())
            warn(button.Count->Line,
                 QStringLiteral("%1: no %2 under it; %3 key code 0")
                     .arg(shown(*button.Count), missing.join(QStringLiteral(", ")),
                          missing.size() == 1 ? QStringLiteral("that slot sends")
                                              : QStringLiteral("those slots send")));
        for (int k = count + 1; k <= MaxSlots; ++k) {
            const RawKey* slot = button.Slots[size_t(k)];
            if (!slot)
                continue;
            if (!button.Count) {
                warn(slot->Line, QStringLiteral("%1: no BUTTON%2_COUNT in [MODE%3], so this button "
                                                "sends nothing")
                                     .arg(shown(*slot))
                                     .arg(n)
                                     .arg(m));
                break;
            }
            warn(
                slot->Line,
                QStringLiteral("%1: above %2; never sent").arg(shown(*slot), shown(*button.Count)));
        }

        // The mode-switch button switches; its own keys go out only as
        // repeats after the switch.
        const std::optional<int32_t>& id = c_.Ids[size_t(n)];
        if (c_.Separate || count == 0 || !c_.SwitchButton || id != c_.SwitchButton ||
            c_.numberOf(*id) != n)
            return;
        const bool repeats =
            button.Repeat && ProfileFile::parseInt(button.Repeat->Value).value_or(0) != 0;
        if (repeats)
            warn(button.Repeat->Line, QStringLiteral("%1: BUTTON%2 is the mode-switch button; "
                                                     "holding it switches the mode, then sends "
                                                     "these keys over and over")
                                          .arg(shown(*button.Repeat))
                                          .arg(n));
        else
            warn(button.Count->Line, QStringLiteral("%1: BUTTON%2 is the mode-switch button; its "
                                                    "presses switch the mode and never send these "
                                                    "keys")
                                         .arg(shown(*button.Count))
                                         .arg(n));
    }

    const ProfileFile& file_;
    std::span<const uint8_t> hotKeys_;
    Context c_;
    QList<TemplateWarning> warnings_;
};

} // namespace

QList<TemplateWarning> TemplateWarnings(const ProfileFile& file,
                                        std::span<const uint8_t> hotKeyCodes)
{
    return Checker(file, hotKeyCodes).run();
}
} // namespace corv
