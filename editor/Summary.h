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

// What follows those lines, so that a printout is a cheat sheet: for each
// mode with mappings, each mapping in button order (a classic template's
// ButtonIds by number, a gamepad template's inputs and chords by input) with
// its description, its keys and characters, its text and, unless it is a
// plain tap, its action. Empty for a template without mappings.
QStringList BuildKeyLines(const Template& doc);

} // namespace corv::editor
