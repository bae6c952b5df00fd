#pragma once

class QString;
class QTextStream;

namespace corv
{

// corvplay --check: runs the checks and the loading of a template without a
// joystick or a window and tells what would be played.
class TemplateReport
{
public:
    enum Status { Valid = 0, NotATemplate = 1, EarlierVersion = 2, LoadError = 3 };

    static Status Run(const QString& path, QTextStream& out, QTextStream& err);
};

} // namespace corv
