#include "template/Colour.h"

#include "template/ProfileFile.h"

#include <array>

namespace corv
{

namespace
{

struct NamedColour {
    const char* Name;
    uint32_t Value;
};

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b)
{
    return b * 65536 + g * 256 + r;
}

// In colour-grid order.
constexpr std::array<NamedColour, ColourGridSize> Named = {{
    {"clBlack", rgb(0, 0, 0)},
    {"clMaroon", rgb(128, 0, 0)},
    {"clGreen", rgb(0, 128, 0)},
    {"clOlive", rgb(128, 128, 0)},
    {"clNavy", rgb(0, 0, 128)},
    {"clPurple", rgb(128, 0, 128)},
    {"clTeal", rgb(0, 128, 128)},
    {"clSilver", rgb(192, 192, 192)},
    {"clGray", rgb(128, 128, 128)},
    {"clRed", rgb(255, 0, 0)},
    {"clLime", rgb(0, 255, 0)},
    {"clYellow", rgb(255, 255, 0)},
    {"clBlue", rgb(0, 0, 255)},
    {"clFuchsia", rgb(255, 0, 255)},
    {"clAqua", rgb(0, 255, 255)},
    {"clWhite", rgb(255, 255, 255)},
}};

} // namespace

QString GridColourName(int position)
{
    return (position >= 0 && position < ColourGridSize) ? QString::fromLatin1(Named[position].Name)
                                                        : QString();
}

uint32_t GridColour(int position)
{
    return (position >= 0 && position < ColourGridSize) ? Named[position].Value : 0;
}

QString ColourToText(uint32_t value)
{
    for (const NamedColour& c : Named) {
        if (c.Value == value)
            return QString::fromLatin1(c.Name);
    }
    return QStringLiteral("$%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<ColourValue> ParseColourText(const QString& text)
{
    for (const NamedColour& c : Named) {
        if (text.compare(QLatin1StringView(c.Name), Qt::CaseInsensitive) == 0)
            return ColourValue{c.Value, ColourValue::System::None};
    }
    if (text.compare(QLatin1StringView("clBtnFace"), Qt::CaseInsensitive) == 0)
        return ColourValue{0, ColourValue::System::BtnFace};
    if (text.compare(QLatin1StringView("clWindowText"), Qt::CaseInsensitive) == 0)
        return ColourValue{0, ColourValue::System::WindowText};
    // A number must be a plain RGB value: a set top byte would name some
    // other desktop colour, which nothing here can resolve.
    const auto number = ProfileFile::parseInt(text);
    if (!number || static_cast<uint32_t>(*number) > 0xFFFFFFu)
        return std::nullopt;
    return ColourValue{static_cast<uint32_t>(*number), ColourValue::System::None};
}

} // namespace corv
