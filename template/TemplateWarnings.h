#pragma once

#include <QList>
#include <QString>
#include <cstdint>
#include <span>

namespace corv
{

class ProfileFile;

// One mistake in a template, at a line of its file.
struct TemplateWarning {
    int Line = 0;
    QString Text;
};

// Mistakes of a hand-written template that both readers pass over without a
// word: names they do not know, values that are not numbers or lie out of
// range, keys they never read, and mappings that cannot act as written.
// hotKeyCodes are the codes MODE_SWITCH_KEY can name; empty: not checked.
// Sorted by line. Reading the file is not affected in any way.
QList<TemplateWarning> TemplateWarnings(const ProfileFile& file,
                                        std::span<const uint8_t> hotKeyCodes = {});

} // namespace corv
