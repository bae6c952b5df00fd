#include "template/TemplateFile.h"

#include "template/Colour.h"
#include "template/KeyTable.h"
#include "template/ProfileFile.h"
#include "template/RuntimeTemplate.h"
#include "template/Template.h"
#include "template/TemplateNames.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace corv
{

using namespace TemplateNames;

namespace
{

constexpr int MaxDescriptionLength = 255;
constexpr int MaxFontNameLength = 255;

QString bit(bool b)
{
    return b ? QStringLiteral("1") : QStringLiteral("0");
}

int highestSlot(const ButtonMapping& mapping)
{
    for (int k = MaxSlots; k > 0; --k) {
        if (!mapping.Keystrokes[k - 1].isEmpty())
            return k;
    }
    return 0;
}

// A mapping whose ACTION is MODE or LAYER: it acts without keys.
bool SwitchesModes(const ButtonMapping& mapping)
{
    return std::any_of(mapping.Extras.begin(), mapping.Extras.end(), [](const auto& extra) {
        if (extra.first != QLatin1String("ACTION"))
            return false;
        const std::optional<MappingAction> action = ParseMappingAction(extra.second);
        return action == MappingAction::Mode || action == MappingAction::Layer;
    });
}

std::set<QString> mappedButtonIds(const Template& tmpl)
{
    std::set<QString> distinct;
    for (const QList<ButtonMapping>& mode : tmpl.Mappings) {
        for (const ButtonMapping& mapping : mode)
            distinct.insert(mapping.ButtonId);
    }
    return distinct;
}

// The newer keys; each absent key leaves what a template without it does.
// Values out of range are brought to the nearest bound (--check names them).
void readRuntimeExtensions(const ProfileFile& file, RuntimeTemplate& t)
{
    t.KeysByPosition = file.readString(Global, QStringLiteral("KEYS"), QString())
                           .trimmed()
                           .compare(QLatin1String("POSITIONS"), Qt::CaseInsensitive) == 0;
    t.Apps = ParseApps(file.readString(Global, QStringLiteral("APPS"), QString()));
    t.SeparateInputs = file.readString(Global, QStringLiteral("INPUTS"), QString())
                           .trimmed()
                           .compare(QLatin1String("SEPARATE"), Qt::CaseInsensitive) == 0;
    t.ChordMs = std::clamp(file.readInt(Global, QStringLiteral("CHORD_MS"), t.ChordMs), 0,
                           RuntimeTemplate::MaxChordMs);
    auto threshold = [](int32_t value) {
        return std::clamp(value, RuntimeTemplate::MinAxisThreshold,
                          RuntimeTemplate::MaxAxisThreshold);
    };
    t.AxisThreshold = threshold(file.readInt(Global, QStringLiteral("AXIS_THRESHOLD"),
                                             RuntimeTemplate::DefaultAxisThreshold));
    for (int axis = 1; axis <= MaxAxes; ++axis) {
        const int32_t value = file.readInt(Global, axisThresholdKey(axis), 0);
        t.AxisThresholds[size_t(axis - 1)] = value == 0 ? 0 : threshold(value);
    }
    if (t.SeparateInputs) {
        for (int k = 1; k <= t.ButtonCount; ++k)
            t.Inputs[size_t(k - 1)] =
                ParseInputs(file.readString(MappingSection, buttonKey(k), QString())).value_or(0);
        t.ModeSwitchInput =
            ParseInputs(file.readString(Global, QStringLiteral("MODE_SWITCH_BUTTON"), QString()))
                .value_or(0);
    }

    for (int m = 1; m <= t.ModeCount; ++m) {
        const QString section = modeSection(m);
        for (int k = 1; k <= t.ButtonCount; ++k) {
            const QString p = buttonKey(k) + QLatin1Char('_');
            Mapping& mapping = t.Mappings[size_t(m - 1)][size_t(k - 1)];
            const std::optional<MappingAction> action =
                ParseMappingAction(file.readString(section, p + QLatin1String("ACTION"), {}));
            mapping.Action = action.value_or(MappingAction::Tap);
            // Switching modes from a mapping needs inputs of their own.
            if (!t.SeparateInputs &&
                (mapping.Action == MappingAction::Mode || mapping.Action == MappingAction::Layer))
                mapping.Action = MappingAction::Tap;
            mapping.Rate = std::clamp(
                file.readInt(section, p + QLatin1String("RATE"), MappingTiming::DefaultRate),
                MappingTiming::MinRate, MappingTiming::MaxRate);
            mapping.PressMs = std::clamp(file.readInt(section, p + QLatin1String("PRESS_MS"), 0), 0,
                                         MappingTiming::MaxPressMs);
            mapping.GapMs = std::clamp(file.readInt(section, p + QLatin1String("GAP_MS"), 0), 0,
                                       MappingTiming::MaxGapMs);
            const int32_t target = file.readInt(section, p + QLatin1String("MODE"), 0);
            mapping.TargetMode = target >= 1 && target <= MaxModes ? target : 0;
            for (int n = 1; n <= MaxSlots; ++n) {
                const QString key = p + QString::number(n) + QLatin1String("_CHAR");
                mapping.Keys[size_t(n - 1)].Character =
                    ParseCharacter(file.readString(section, key, {})).value_or(0);
            }
            mapping.Text = DecodeText(file.readString(section, p + QLatin1String("TEXT"), {}));
        }
    }
}

} // namespace

std::optional<char32_t> ParseCharacter(QStringView text)
{
    const QStringView t = text.trimmed();
    if (t.size() < 3 || t.size() > 8 || !t.startsWith(QLatin1String("U+"), Qt::CaseInsensitive))
        return std::nullopt;
    bool ok = false;
    const uint code = t.mid(2).toUInt(&ok, 16);
    if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    return char32_t(code);
}

QString DecodeText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            if (text[i + 1] == u'n') {
                out += u'\n';
                ++i;
                continue;
            }
            if (text[i + 1] == u'\\') {
                out += u'\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::optional<MappingAction> ParseMappingAction(QStringView text)
{
    static const std::pair<const char*, MappingAction> names[] = {
        {"TAP", MappingAction::Tap},       {"HOLD", MappingAction::Hold},
        {"TOGGLE", MappingAction::Toggle}, {"TURBO", MappingAction::Turbo},
        {"MODE", MappingAction::Mode},     {"LAYER", MappingAction::Layer}};
    const QStringView trimmed = text.trimmed();
    for (const auto& [name, action] : names) {
        if (trimmed.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return action;
    }
    return std::nullopt;
}

bool HasModeActions(const Template& tmpl)
{
    if (!tmpl.SeparateInputs())
        return false;
    for (const QList<ButtonMapping>& mode : tmpl.Mappings) {
        if (std::any_of(mode.begin(), mode.end(), SwitchesModes))
            return true;
    }
    return false;
}

QString MappingActionName(MappingAction action)
{
    static const char* const names[] = {"TAP", "HOLD", "TOGGLE", "TURBO", "MODE", "LAYER"};
    return QLatin1String(names[size_t(action)]);
}

QString ColourError::message() const
{
    return QStringLiteral("\"%1\" is not a valid colour (key %2)").arg(Text, Key);
}

QString TemplateCheckMessage(TemplateCheck check)
{
    switch (check) {
    case TemplateCheck::Valid:
        break;
    case TemplateCheck::NotATemplate:
        return QStringLiteral("This is not a valid joystick template file");
    case TemplateCheck::EarlierVersion:
        return QStringLiteral(
            "This template file is from an earlier version of The Corvane. "
            "Unfortunately, this template is not compatible with the current version. "
            "I do apologise for this, but due to the enhanced capabilities of this newer "
            "version, it was unavoidable.");
    }
    return QString();
}

TemplateCheck CheckTemplate(const ProfileFile& file)
{
    if (!present(file, Global, QStringLiteral("MODE_SWITCH_BUTTON")))
        return TemplateCheck::NotATemplate;
    if (!present(file, Global, QStringLiteral("MODE1NAME")))
        return TemplateCheck::EarlierVersion;
    return TemplateCheck::Valid;
}

TemplateCheck CheckTemplateFile(const QString& path)
{
    ProfileFile file;
    if (file.load(path) != ProfileFile::LoadStatus::Loaded)
        return TemplateCheck::NotATemplate;
    return CheckTemplate(file);
}

QString TemplateCheckCause(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {
    };
    if (::stat(native.constData(), &st) != 0)
        return QStringLiteral("%1: %2; check the name and the folder")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("%1: is a directory; name a .joy file").arg(path);
    // Not opened: a FIFO would block until something writes to it.
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("%1: is a pipe, socket or device; name a .joy file").arg(path);
    if (st.st_size > ProfileFile::MaxFileSize)
        return QStringLiteral("%1: is over 1 MiB, far larger than any template").arg(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("%1: %2; make it readable (chmod u+r)")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    ::close(fd);
    if (st.st_size == 0)
        return QStringLiteral("%1: is empty; a template has at least a [GLOBAL] section with "
                              "MODE_SWITCH_BUTTON= and MODE1NAME=")
            .arg(path);
    ProfileFile file;
    if (file.load(path) != ProfileFile::LoadStatus::Loaded)
        return QStringLiteral("%1: cannot be read").arg(path);
    // Editors that save "Unicode" write UTF-16, which no line of it survives.
    QFile raw(path);
    const QByteArray head = raw.open(QIODevice::ReadOnly) ? raw.read(2) : QByteArray();
    if (head == "\xff\xfe" || head == "\xfe\xff")
        return QStringLiteral("%1: is saved as UTF-16 text; save it as plain text (UTF-8) and "
                              "try again")
            .arg(path);
    switch (CheckTemplate(file)) {
    case TemplateCheck::Valid:
        break;
    case TemplateCheck::NotATemplate:
        return QStringLiteral("%1: has no [GLOBAL] section with a MODE_SWITCH_BUTTON key (an "
                              "empty value will do), which every template has")
            .arg(path);
    case TemplateCheck::EarlierVersion:
        return QStringLiteral("%1: [GLOBAL] has no MODE1NAME, which templates of this version "
                              "have; add MODE1NAME=Mode 1 if you wrote it by hand")
            .arg(path);
    }
    return QString();
}

QString CheckMappingLimit(const Template& tmpl)
{
    const size_t distinct = mappedButtonIds(tmpl).size();
    const bool hasSwitch = !tmpl.ModeSwitchButton.isEmpty();
    const int limit = MaxButtons - (hasSwitch ? 1 : 0);
    if (distinct <= size_t(limit))
        return QString();
    return QStringLiteral("The mappings use %1 different buttons, but a template holds "
                          "at most %2%3. The template was not saved.")
        .arg(distinct)
        .arg(limit)
        .arg(hasSwitch ? QStringLiteral(" besides the mode-switch button") : QString());
}

bool IsUsableMapping(const ButtonMapping& mapping)
{
    if (highestSlot(mapping) > 0 || SwitchesModes(mapping))
        return true;
    // A text or a character slot types keys the editor cannot show.
    return std::any_of(mapping.Extras.begin(), mapping.Extras.end(), [](const auto& extra) {
        return extra.first == QLatin1String("TEXT") || extra.first.endsWith(QLatin1String("_CHAR"));
    });
}

bool WriteTemplate(const Template& given, ProfileFile& file, QString* error)
{
    // A mapping without a keystroke would be written as one that sends nothing.
    Template tmpl = given;
    for (QList<ButtonMapping>& mode : tmpl.Mappings)
        mode.removeIf([](const ButtonMapping& mapping) { return !IsUsableMapping(mapping); });
    const QString refusal = CheckMappingLimit(tmpl);
    if (!refusal.isEmpty()) {
        if (error)
            *error = refusal;
        return false;
    }
    // Button numbers: the mapped ButtonIds in text order, each once; the
    // mode-switch button takes the number after them.
    const std::set<QString> distinct = mappedButtonIds(tmpl);
    const bool hasSwitch = !tmpl.ModeSwitchButton.isEmpty();

    for (const char* name : {"IDENTIFIED BUTTONS", "MAPPING", "DESCRIPTION", "GLOBAL", "MODE1",
                             "MODE2", "MODE3", "MODE4", "MODE5"})
        file.eraseSection(QString::fromLatin1(name));

    file.writeInt(Identified, QStringLiteral("NUMBER"), int32_t(tmpl.IdentifiedButtons.size()));
    for (qsizetype i = 0; i < tmpl.IdentifiedButtons.size(); ++i) {
        const IdentifiedButton& b = tmpl.IdentifiedButtons[i];
        file.writeString(Identified, QString::number(i + 1),
                         b.ButtonId + QLatin1Char(',') + b.Description);
    }

    for (int m = 1; m <= MaxModes; ++m)
        file.writeString(Global, modeNameKey(m), tmpl.ModeNameOrDefault(m));

    QHash<QString, int> numbers;
    int buttons = 0;
    auto number = [&](const QString& buttonId) {
        ++buttons;
        if (!numbers.contains(buttonId)) // a mapped switch button keeps its first number
            numbers.insert(buttonId, buttons);
        file.writeString(MappingSection, buttonKey(buttons), buttonId);
        file.writeString(DescriptionSection, buttonKey(buttons), tmpl.DescriptionOf(buttonId));
    };
    for (const QString& buttonId : distinct)
        number(buttonId);
    if (hasSwitch)
        number(tmpl.ModeSwitchButton);

    const int modes = tmpl.HighestUsedMode();

    file.writeInt(Global, QStringLiteral("BUTTONS"), buttons);
    file.writeString(Global, QStringLiteral("MODE_SWITCH_BUTTON"), tmpl.ModeSwitchButton);
    file.writeString(Global, QStringLiteral("MODE_SWITCH_KEY"),
                     KeystrokeToKeyCode(tmpl.ModeSwitchKey));
    file.writeString(Global, QStringLiteral("DESCRIPTION"), tmpl.Description);
    file.writeInt(Global, QStringLiteral("RESPONSE"), tmpl.Response);
    file.writeString(Global, QStringLiteral("DIGITAL"), bit(tmpl.DigitalDevice));
    // A colour kept as written has no grid position; writing one would
    // make the next open take the position instead of the text.
    for (auto [indexKey, textKey, index, colour] :
         {std::tuple{QStringLiteral("FORECOLOUR"), QStringLiteral("FORECOLOURS"), tmpl.ForeIndex,
                     tmpl.ForeColour},
          std::tuple{QStringLiteral("BACKCOLOUR"), QStringLiteral("BACKCOLOURS"), tmpl.BackIndex,
                     tmpl.BackColour}}) {
        const auto kept = FindExtra(tmpl.GlobalExtras, textKey);
        if (kept == tmpl.GlobalExtras.end())
            file.writeInt(Global, indexKey, index);
        file.writeString(Global, textKey,
                         kept == tmpl.GlobalExtras.end() ? ColourToText(colour) : kept->second);
    }
    file.writeString(Global, QStringLiteral("FONTNAME"), tmpl.FontName);
    file.writeInt(Global, QStringLiteral("FONTSIZE"), tmpl.FontSize);
    file.writeString(Global, QStringLiteral("FONTBOLD"), bit(tmpl.FontBold));
    file.writeString(Global, QStringLiteral("FONTITALIC"), bit(tmpl.FontItalic));
    file.writeInt(Global, QStringLiteral("MODES"), modes);
    for (const auto& [key, value] : tmpl.GlobalExtras)
        file.writeString(Global, key, value);

    for (int m = 1; m <= modes; ++m) {
        const QString section = modeSection(m);
        QSet<QString> done;
        for (const ButtonMapping& mapping : tmpl.Mappings[m - 1]) {
            // One button has one set of keys per mode; a second mapping of
            // it would blend its keys into the first one's.
            if (done.contains(mapping.ButtonId))
                continue;
            done.insert(mapping.ButtonId);
            const QString p = buttonKey(numbers.value(mapping.ButtonId)) + QLatin1Char('_');
            int count = highestSlot(mapping);
            // A character slot counts, though the editor shows no key there.
            for (const auto& [suffix, value] : mapping.Extras) {
                if (suffix.endsWith(QLatin1String("_CHAR")))
                    count = std::max(count, suffix.left(1).toInt());
            }
            file.writeInt(section, p + QLatin1String("COUNT"), count);
            file.writeString(section, p + QLatin1String("DESC"), mapping.Purpose);
            file.writeString(section, p + QLatin1String("REPEAT"), bit(mapping.Repeat));
            for (int k = 1; k <= count; ++k) {
                const QString& keystroke = mapping.Keystrokes[k - 1];
                const QString slot = p + QString::number(k);
                if (HasAlt(keystroke))
                    file.writeString(section, slot + QLatin1String("_Alt"), bit(true));
                if (HasShift(keystroke))
                    file.writeString(section, slot + QLatin1String("_Shift"), bit(true));
                if (HasCtrl(keystroke))
                    file.writeString(section, slot + QLatin1String("_Ctrl"), bit(true));
                file.writeString(section, slot, KeystrokeToKeyCode(keystroke));
            }
            for (const auto& [suffix, value] : mapping.Extras)
                file.writeString(section, p + suffix, value);
        }
    }
    return true;
}

bool WriteTemplate(const Template& tmpl, const QString& path, QString* error)
{
    ProfileFile file;
    // A file that exists but cannot be read must not be replaced: its
    // other sections would be lost. Nor may anything but a regular file.
    const ProfileFile::LoadStatus status = file.load(path);
    if (status != ProfileFile::LoadStatus::Loaded && status != ProfileFile::LoadStatus::Missing) {
        if (error)
            *error = QStringLiteral("Unable to write to %1").arg(path);
        return false;
    }
    return WriteTemplate(tmpl, file, error) && file.save(path, error);
}

void ReadTemplate(const ProfileFile& file, Template& tmpl)
{
    tmpl = Template();

    // Every identified button has its own key besides NUMBER, so a count
    // beyond those keys is a hand edit; it must not make the list huge.
    const bool hasNumber = present(file, Identified, QStringLiteral("NUMBER"));
    const int number = std::clamp(file.readInt(Identified, QStringLiteral("NUMBER"), 0), 0,
                                  std::max(0, file.keyCount(Identified) - (hasNumber ? 1 : 0)));
    // An empty or repeated ButtonId (a hand edit) would give a line that no
    // look-up reaches, so it could be neither renamed nor deleted.
    QSet<QString> identified;
    for (int n = 1; n <= number; ++n) {
        const QString text = file.readString(Identified, QString::number(n), QString());
        const qsizetype comma = text.indexOf(u',');
        IdentifiedButton b;
        b.ButtonId = comma < 0 ? text : text.left(comma);
        b.Description = comma < 0 ? QString() : text.mid(comma + 1, MaxDescriptionLength);
        if (b.ButtonId.isEmpty() || identified.contains(b.ButtonId))
            continue;
        identified.insert(b.ButtonId);
        tmpl.IdentifiedButtons.append(b);
    }

    for (int m = 1; m <= MaxModes; ++m) {
        const QString section = modeSection(m);
        if (!file.hasSection(section))
            continue;
        // One mapping per ButtonId and mode: a second one would hide edits
        // to the first, and one without a ButtonId could not be deleted.
        QSet<QString> mapped;
        for (int n = 1; n <= MaxButtons; ++n) {
            const QString p = buttonKey(n) + QLatin1Char('_');
            // A layer or mode action may have no keys, and so no COUNT.
            if (!present(file, section, p + QLatin1String("COUNT")) &&
                !present(file, section, p + QLatin1String("ACTION")))
                continue;
            ButtonMapping mapping;
            mapping.ButtonId = file.readString(MappingSection, buttonKey(n), QString());
            if (mapping.ButtonId.isEmpty() || mapped.contains(mapping.ButtonId))
                continue;
            mapped.insert(mapping.ButtonId);
            mapping.Purpose = file.readString(section, p + QLatin1String("DESC"), QString());
            mapping.Repeat = file.readBool(section, p + QLatin1String("REPEAT"), false);
            for (int k = 1; k <= MaxSlots; ++k) {
                const QString slot = p + QString::number(k);
                const QString code = file.readString(section, slot, Missing);
                if (code == Missing)
                    continue;
                const QString name = KeyCodeToKeyName(code);
                // A code outside the key table is an empty slot, modifiers or not.
                if (name.isEmpty())
                    continue;
                mapping.Keystrokes[k - 1] = ComposeKeystroke(
                    name, file.readBool(section, slot + QLatin1String("_Ctrl"), false),
                    file.readBool(section, slot + QLatin1String("_Shift"), false),
                    file.readBool(section, slot + QLatin1String("_Alt"), false));
            }
            for (const QString& suffix : mappingExtensionSuffixes()) {
                const QString value = file.readString(section, p + suffix, Missing);
                if (value != Missing)
                    mapping.Extras.append({suffix, value});
            }
            tmpl.Mappings[m - 1].append(mapping);
        }
    }

    for (int m = 1; m <= MaxModes; ++m)
        tmpl.ModeNames[m - 1] =
            file.readString(Global, modeNameKey(m), Template::DefaultModeName(m));
    tmpl.DigitalDevice = file.readBool(Global, QStringLiteral("DIGITAL"), true);
    tmpl.ModeSwitchButton =
        file.readString(Global, QStringLiteral("MODE_SWITCH_BUTTON"), QString());
    tmpl.ModeSwitchKey =
        KeyCodeToKeyName(file.readString(Global, QStringLiteral("MODE_SWITCH_KEY"), QString()));
    tmpl.Description = file.readString(Global, QStringLiteral("DESCRIPTION"), QString());
    // The player runs an unknown response at normal priority; clamping it
    // here would raise it on the next save.
    const int response = file.readInt(Global, QStringLiteral("RESPONSE"), 3);
    tmpl.Response = (response >= 0 && response <= 6) ? response : 3;
    // A grid position off the grid falls back to the default position.
    const int fore = file.readInt(Global, QStringLiteral("FORECOLOUR"), 0);
    const int back = file.readInt(Global, QStringLiteral("BACKCOLOUR"), 7);
    tmpl.ForeIndex = (fore >= 0 && fore < ColourGridSize) ? fore : 0;
    tmpl.BackIndex = (back >= 0 && back < ColourGridSize) ? back : 7;
    tmpl.ForeColour = GridColour(tmpl.ForeIndex);
    tmpl.BackColour = GridColour(tmpl.BackIndex);
    // A hand-written template may give only the colour texts. A grid colour
    // gives its position; any other text is kept as written (as an extra
    // that the write puts back in its place) until the user picks a colour.
    QList<std::pair<QString, QString>> keptColours;
    for (auto [indexKey, textKey, index, colour] :
         {std::tuple{QStringLiteral("FORECOLOUR"), QStringLiteral("FORECOLOURS"), &tmpl.ForeIndex,
                     &tmpl.ForeColour},
          std::tuple{QStringLiteral("BACKCOLOUR"), QStringLiteral("BACKCOLOURS"), &tmpl.BackIndex,
                     &tmpl.BackColour}}) {
        const QString text = file.readString(Global, textKey, Missing);
        if (present(file, Global, indexKey) || text == Missing)
            continue;
        int position = ColourGridSize;
        while (--position >= 0 &&
               text.compare(GridColourName(position), Qt::CaseInsensitive) != 0) {
        }
        if (position >= 0) {
            *index = position;
            *colour = GridColour(position);
            continue;
        }
        const std::optional<ColourValue> parsed = ParseColourText(text);
        if (parsed && parsed->SystemColour == ColourValue::System::None)
            *colour = parsed->Value;
        keptColours.append({textKey, text});
    }
    tmpl.FontName =
        file.readString(Global, QStringLiteral("FONTNAME"), QStringLiteral("MS Sans Serif"));
    tmpl.FontSize = file.readInt(Global, QStringLiteral("FONTSIZE"), 8);
    tmpl.FontBold = file.readBool(Global, QStringLiteral("FONTBOLD"), false);
    tmpl.FontItalic = file.readBool(Global, QStringLiteral("FONTITALIC"), false);
    QStringList extras = globalExtensionKeys();
    for (int axis = 1; axis <= MaxAxes; ++axis)
        extras << axisThresholdKey(axis);
    for (const QString& key : extras) {
        const QString value = file.readString(Global, key, Missing);
        if (value != Missing)
            tmpl.GlobalExtras.append({key, value});
    }
    tmpl.GlobalExtras += keptColours;
}

bool ReadTemplate(const QString& path, Template& tmpl)
{
    ProfileFile file;
    if (file.load(path) != ProfileFile::LoadStatus::Loaded)
        return false;
    ReadTemplate(file, tmpl);
    return true;
}

RuntimeReadResult ReadRuntimeTemplate(const ProfileFile& file, RuntimeTemplate& t)
{
    RuntimeReadResult result;
    result.Loaded = true;
    t = RuntimeTemplate();

    // Hand-edited counts are clamped so that nothing lands outside the tables.
    t.ModeCount = std::clamp(file.readInt(Global, QStringLiteral("MODES"), 0), 0, MaxModes);
    t.ButtonCount = std::clamp(file.readInt(Global, QStringLiteral("BUTTONS"), 0), 0, MaxButtons);
    t.ModeSwitchButton =
        file.readInt(Global, QStringLiteral("MODE_SWITCH_BUTTON"), RuntimeTemplate::NoSwitchButton);
    t.TemplateDescription = file.readString(Global, QStringLiteral("DESCRIPTION"), QString());
    t.ModeSwitchKey =
        file.readInt(Global, QStringLiteral("MODE_SWITCH_KEY"), RuntimeTemplate::NoSwitchKey);
    t.DigitalDevice = file.readBool(Global, QStringLiteral("DIGITAL"), true);
    t.FontName =
        file.readString(Global, QStringLiteral("FONTNAME"), t.FontName).left(MaxFontNameLength);
    t.FontSize = file.readInt(Global, QStringLiteral("FONTSIZE"), t.FontSize);
    t.FontBold = file.readBool(Global, QStringLiteral("FONTBOLD"), false);
    t.FontItalic = file.readBool(Global, QStringLiteral("FONTITALIC"), false);
    for (auto [key, colour] : {std::pair{QStringLiteral("BACKCOLOURS"), &t.BackColour},
                               std::pair{QStringLiteral("FORECOLOURS"), &t.ForeColour}}) {
        const QString text = file.readString(Global, key, *colour);
        if (ParseColourText(text))
            *colour = text;
        else
            result.ColourErrors.append(ColourError{key, text});
    }

    for (int k = 1; k <= t.ButtonCount; ++k)
        t.ButtonIds[k - 1] = file.readInt(MappingSection, buttonKey(k), 0);
    for (int m = 1; m <= MaxModes; ++m) {
        const QString name = file.readString(Global, modeNameKey(m), QString());
        t.ModeNames[m - 1] = name.isEmpty() ? Template::DefaultModeName(m) : name;
    }

    for (int m = 1; m <= t.ModeCount; ++m) {
        const QString section = modeSection(m);
        for (int k = 1; k <= t.ButtonCount; ++k) {
            const QString p = buttonKey(k) + QLatin1Char('_');
            Mapping& mapping = t.Mappings[m - 1][k - 1];
            mapping.Count =
                std::clamp(file.readInt(section, p + QLatin1String("COUNT"), 0), 0, MaxSlots);
            mapping.Repeat = file.readBool(section, p + QLatin1String("REPEAT"), false);
            for (int n = 1; n <= MaxSlots; ++n) {
                const QString slot = p + QString::number(n);
                KeySlot& key = mapping.Keys[n - 1];
                key.VirtualKey = uint8_t(file.readInt(section, slot, 0) & 0xFF);
                key.Ctrl = file.readBool(section, slot + QLatin1String("_CTRL"), false);
                key.Shift = file.readBool(section, slot + QLatin1String("_SHIFT"), false);
                key.Alt = file.readBool(section, slot + QLatin1String("_ALT"), false);
            }
        }
    }
    t.Response = file.readInt(Global, QStringLiteral("RESPONSE"), 3);
    readRuntimeExtensions(file, t);
    return result;
}

RuntimeReadResult ReadRuntimeTemplate(const QString& path, RuntimeTemplate& tables)
{
    ProfileFile file;
    if (file.load(path) != ProfileFile::LoadStatus::Loaded) {
        tables = RuntimeTemplate();
        return RuntimeReadResult{};
    }
    return ReadRuntimeTemplate(file, tables);
}

} // namespace corv
