#include "editor/Summary.h"

#include "template/Template.h"

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
    lines << (doc.DigitalDevice ? QStringLiteral("Device Type:\tDigital")
                                : QStringLiteral("Device Type:\tAnalogue"));
    lines << QString();
    if (!fileName.isEmpty())
        lines << QStringLiteral("FILENAME:") << fileName << QString();
    return lines;
}

} // namespace corv::editor
