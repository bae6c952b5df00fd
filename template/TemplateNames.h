#pragma once

#include "template/ProfileFile.h"

#include <QString>
#include <QStringList>

// The section and key names of a template file, for the code that reads,
// writes and checks it.
namespace corv::TemplateNames
{

inline const QString Global = QStringLiteral("GLOBAL");
inline const QString Identified = QStringLiteral("IDENTIFIED BUTTONS");
inline const QString MappingSection = QStringLiteral("MAPPING");
inline const QString DescriptionSection = QStringLiteral("DESCRIPTION");
// The fallback of every presence test: a key whose value is this reads as
// absent.
inline const QString Missing = QStringLiteral("ERROR");

inline QString modeSection(int m)
{
    return QStringLiteral("MODE%1").arg(m);
}
inline QString modeNameKey(int m)
{
    return QStringLiteral("MODE%1NAME").arg(m);
}
inline QString buttonKey(int n)
{
    return QStringLiteral("BUTTON%1").arg(n);
}

// Keys newer than the first templates; absent, a template acts as before.
// Each mode section's BUTTONn_<suffix>, for these suffixes:
inline const QStringList& mappingExtensionSuffixes()
{
    static const QStringList suffixes{
        QStringLiteral("ACTION"), QStringLiteral("RATE"),   QStringLiteral("PRESS_MS"),
        QStringLiteral("GAP_MS"), QStringLiteral("MODE"),   QStringLiteral("TEXT"),
        QStringLiteral("1_CHAR"), QStringLiteral("2_CHAR"), QStringLiteral("3_CHAR"),
        QStringLiteral("4_CHAR"), QStringLiteral("5_CHAR"), QStringLiteral("6_CHAR")};
    return suffixes;
}
// GLOBAL keys; AXISk_THRESHOLD (k = 1..MaxAxes) besides these.
inline const QStringList& globalExtensionKeys()
{
    static const QStringList keys{QStringLiteral("INPUTS"), QStringLiteral("CHORD_MS"),
                                  QStringLiteral("AXIS_THRESHOLD"), QStringLiteral("KEYS"),
                                  QStringLiteral("APPS")};
    return keys;
}
inline QString axisThresholdKey(int axis)
{
    return QStringLiteral("AXIS%1_THRESHOLD").arg(axis);
}

inline bool present(const ProfileFile& file, const QString& section, const QString& key)
{
    return file.readString(section, key, Missing) != Missing;
}

} // namespace corv::TemplateNames
