#include "editor/Summary.h"

#include "template/Inputs.h"
#include "template/Template.h"

#include <algorithm>
#include <array>

namespace corv::editor
{

QString ResponseName(int position)
{
    static const std::array<const char*, 7> names{"Lowest", "Lower",  "Low",    "Normal",
                                                  "High",   "Higher", "Highest"};
    if (position < 0 || position >= int(names.size()))
        return QString();
    return QString::fromLatin1(names[size_t(position)]);
}

QStringList BuildSummaryLines(const Template& doc, const QString& fileName)
{
    QStringList lines{doc.Description, QString(), QString()};

    for (int n = 1; n <= doc.HighestUsedMode(); ++n) {
        // The name as the mode list shows it.
        lines << QStringLiteral("Mode %1 Name: %2:").arg(n).arg(doc.ModeNameOrDefault(n))
              << QString();
        for (const ButtonMapping& mapping : doc.Mappings[n - 1]) {
            QString line = doc.DescriptionOf(mapping.ButtonId) + u'\t' + mapping.Purpose;
            if (mapping.Repeat)
                line += QLatin1String("  -  REPEAT");
            lines << line;
        }
        lines << QString() << QString();
    }

    // The switch button's description as it stands now, not as the Mode page
    // last showed it.
    if (!doc.ModeSwitchButton.isEmpty())
        lines << QLatin1String("Mode Switch Button:\t") + doc.DescriptionOf(doc.ModeSwitchButton);
    if (!doc.ModeSwitchKey.isEmpty())
        lines << QLatin1String("Mode Switch Key:\t") + doc.ModeSwitchKey;
    lines << QLatin1String("Responsivness:\t") + ResponseName(doc.Response);
    // A gamepad template is a digital one whose inputs act on their own.
    lines << (!doc.DigitalDevice     ? QStringLiteral("Device Type:\tAnalogue")
              : doc.SeparateInputs() ? QStringLiteral("Device Type:\tGamepad")
                                     : QStringLiteral("Device Type:\tDigital"));
    lines << QString();
    if (!fileName.isEmpty())
        lines << QStringLiteral("FILENAME:") << fileName << QString();
    return lines;
}

namespace
{

// The order of the buttons on the pad: a number (a ButtonId, or a gamepad
// input's mask), then the text for what is neither.
std::pair<quint64, QString> buttonOrder(const QString& buttonId)
{
    bool numeric = false;
    const quint64 id = buttonId.toULongLong(&numeric);
    if (numeric)
        return {id, QString()};
    const std::optional<InputMask> inputs = ParseInputs(buttonId);
    return {inputs ? quint64(*inputs) : ~quint64(0), buttonId};
}

// "Ctrl + a, é", and the text in quotes as the file has it ("#pray\n").
QString keysOf(const ButtonMapping& mapping)
{
    QStringList keys;
    for (size_t k = 0; k < mapping.Keystrokes.size(); ++k) {
        const QString character = mapping.Extra(QStringLiteral("%1_CHAR").arg(k + 1));
        bool ok = false;
        const char32_t code = character.startsWith(QLatin1String("U+"), Qt::CaseInsensitive)
                                  ? character.mid(2).toUInt(&ok, 16)
                                  : 0;
        if (ok && code <= QChar::LastValidCodePoint && QChar::isPrint(code))
            keys << QString::fromUcs4(&code, 1);
        else if (!mapping.Keystrokes[k].isEmpty())
            keys << mapping.Keystrokes[k];
    }
    const QString text = mapping.Extra(u"TEXT");
    if (!text.isEmpty())
        keys << u'"' + text + u'"';
    return keys.join(QLatin1String(", "));
}

// "HOLD", "TURBO every 100 ms", "LAYER 2"..., or empty for a plain tap.
QString actionOf(const ButtonMapping& mapping)
{
    const QString action = mapping.Extra(u"ACTION").toUpper();
    QStringList words;
    if (!action.isEmpty() && action != u"TAP")
        words << action;
    else if (mapping.Repeat)
        words << QStringLiteral("REPEAT");
    const QString rate = mapping.Extra(u"RATE");
    if (!rate.isEmpty() && (action == u"TURBO" || words.value(0) == u"REPEAT"))
        words << QStringLiteral("every %1 ms").arg(rate);
    if (action == u"MODE" || action == u"LAYER")
        words << mapping.Extra(u"MODE");
    const QString press = mapping.Extra(u"PRESS_MS");
    if (!press.isEmpty() && press != u"0")
        words << QStringLiteral("(keys down %1 ms)").arg(press);
    const QString gap = mapping.Extra(u"GAP_MS");
    if (!gap.isEmpty() && gap != u"0")
        words << QStringLiteral("(%1 ms between keys)").arg(gap);
    return words.join(u' ').trimmed();
}

} // namespace

QStringList BuildKeyLines(const Template& doc)
{
    QStringList lines;
    for (int n = 1; n <= doc.HighestUsedMode(); ++n) {
        QList<ButtonMapping> mappings = doc.Mappings[n - 1];
        if (mappings.isEmpty())
            continue;
        std::stable_sort(mappings.begin(), mappings.end(),
                         [](const ButtonMapping& a, const ButtonMapping& b) {
                             return buttonOrder(a.ButtonId) < buttonOrder(b.ButtonId);
                         });
        if (lines.isEmpty())
            lines << QStringLiteral("Keys:") << QString();
        lines << QStringLiteral("Mode %1: %2").arg(n).arg(doc.ModeNameOrDefault(n));
        for (const ButtonMapping& mapping : mappings) {
            const QString action = actionOf(mapping);
            lines << doc.DescriptionOf(mapping.ButtonId) + u'\t' + keysOf(mapping) +
                         (action.isEmpty() ? QString() : QLatin1String("  -  ") + action);
        }
        lines << QString();
    }
    return lines;
}

} // namespace corv::editor
