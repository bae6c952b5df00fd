#pragma once

#include <QtGlobal>

class QString;
class QTextStream;

namespace corv
{

class KeyboardLayout;

// corvplay --check: runs the checks and the loading of a template without a
// joystick or a window, tells what would be played and warns, in the form
// FILE:LINE: warning: TEXT, of mistakes the loading passes over.
class TemplateReport
{
public:
    enum Status { Valid = 0, NotATemplate = 1, EarlierVersion = 2, LoadError = 3 };
    // Warnings shown after a file that cannot be played; the rest are counted.
    static constexpr qsizetype FatalWarnings = 5;

    // Warnings leave the status as it is, unless strict turns them into
    // LoadError. With a layout, characters the template types that its
    // backend cannot type there are warned of too.
    static Status Run(const QString& path, QTextStream& out, QTextStream& err, bool strict = false,
                      const KeyboardLayout* layout = nullptr);
};

} // namespace corv
