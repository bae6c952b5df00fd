#pragma once

#include <QString>
#include <QStringList>

namespace corv
{
struct Template;
}

namespace corv::editor
{

// The name of a response position: 0..6 give "Lowest" .. "Highest"; any
// other position gives an empty text.
QString ResponseName(int position);

// The Summary page's lines: the description, each mode up to the highest
// used one with the identified description and purpose of its buttons, the
// mode switching, response and device type, then the file name when there
// is one. A ButtonId that is not identified shows an empty description.
QStringList BuildSummaryLines(const Template& doc, const QString& fileName);

} // namespace corv::editor
