#include "template/Inputs.h"

#include <QStringList>
#include <bit>

namespace corv
{

QString InputName(int input)
{
    if (input < 0 || input >= InputCount)
        return {};
    if (input < MaxInputButtons)
        return QStringLiteral("B%1").arg(input + 1);
    switch (input) {
    case HatUpInput:
        return QStringLiteral("HAT_UP");
    case HatRightInput:
        return QStringLiteral("HAT_RIGHT");
    case HatDownInput:
        return QStringLiteral("HAT_DOWN");
    case HatLeftInput:
        return QStringLiteral("HAT_LEFT");
    default:
        break;
    }
    const int axis = axisOfInput(input);
    return QStringLiteral("AXIS%1_%2")
        .arg(axis)
        .arg(input == axisInput(axis, true) ? QLatin1String("POS") : QLatin1String("NEG"));
}

QString InputMaskName(InputMask mask)
{
    QStringList names;
    for (int i = 0; i < InputCount; ++i) {
        if (mask & inputBit(i))
            names << InputName(i);
    }
    return names.join(u'+');
}

namespace
{

QString buttonsText(uint32_t mask)
{
    QStringList numbers;
    for (int b = 0; b < 32; ++b) {
        if (mask & (1u << b))
            numbers << QString::number(b + 1);
    }
    return (numbers.size() == 1 ? QStringLiteral("button ") : QStringLiteral("buttons ")) +
           numbers.join(u'+');
}

QString pressText(int32_t id, bool digital)
{
    const auto word = static_cast<uint32_t>(id);
    if (!digital) {
        // The button-message word: the changed buttons above the held ones.
        const uint32_t changed = (word >> 8) & 0xF;
        const uint32_t others = word & 0xF & ~changed;
        if (changed == 0)
            return QStringLiteral("no button");
        QString text = buttonsText(changed);
        if (others != 0)
            text += QStringLiteral(", with %1 held").arg(buttonsText(others));
        return text;
    }
    static const char* const directions[] = {"forward", "forward-right", "right", "back-right",
                                             "back",    "back-left",     "left",  "forward-left"};
    if (word % 4500 == 0 && word / 4500 < 8)
        return QStringLiteral("hat ") + QLatin1String(directions[word / 4500]);
    return buttonsText(word);
}

} // namespace

QString ButtonIdName(int32_t id, bool digital)
{
    return QStringLiteral("ButtonId %1 (%2)").arg(id).arg(pressText(id, digital));
}

namespace
{

// The input one name stands for, or -1.
int parseOne(QStringView name)
{
    const QString upper = name.trimmed().toString().toUpper();
    if (upper.size() > 1 && upper.startsWith(u'B')) {
        bool ok = false;
        const int b = QStringView(upper).mid(1).toInt(&ok);
        // "B01" is not a name: one spelling per input keeps chords comparable.
        if (ok && b >= 1 && b <= MaxInputButtons && upper.mid(1) == QString::number(b))
            return buttonInput(b);
        return -1;
    }
    static const char* const hats[] = {"HAT_UP", "HAT_RIGHT", "HAT_DOWN", "HAT_LEFT"};
    for (int h = 0; h < 4; ++h) {
        if (upper == QLatin1String(hats[h]))
            return HatUpInput + h;
    }
    if (upper.startsWith(QLatin1String("AXIS"))) {
        const qsizetype under = upper.indexOf(u'_');
        if (under < 5)
            return -1;
        bool ok = false;
        const int axis = QStringView(upper).mid(4, under - 4).toInt(&ok);
        const QStringView side = QStringView(upper).mid(under + 1);
        if (!ok || axis < 1 || axis > MaxAxes ||
            QStringView(upper).mid(4, under - 4) != QString::number(axis))
            return -1;
        if (side == QLatin1String("POS"))
            return axisInput(axis, true);
        if (side == QLatin1String("NEG"))
            return axisInput(axis, false);
    }
    return -1;
}

} // namespace

std::optional<InputMask> ParseInputs(QStringView text, QString* error)
{
    InputMask mask = 0;
    const QList<QStringView> parts = text.split(u'+');
    for (const QStringView part : parts) {
        const int input = parseOne(part);
        if (input < 0) {
            if (error)
                *error = part.trimmed().isEmpty()
                             ? QStringLiteral("an empty input name")
                             : QStringLiteral("unknown input \"%1\"").arg(part.trimmed());
            return std::nullopt;
        }
        if (mask & inputBit(input)) {
            if (error)
                *error = QStringLiteral("%1 named twice").arg(InputName(input));
            return std::nullopt;
        }
        mask |= inputBit(input);
    }
    return mask;
}

int InputMemberCount(InputMask mask)
{
    return std::popcount(mask);
}

} // namespace corv
