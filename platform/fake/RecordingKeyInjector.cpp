#include "platform/fake/RecordingKeyInjector.h"

namespace corv
{

QString RecordingKeyInjector::text() const
{
    QStringList parts;
    for (const auto& [vk, down] : events)
        parts << QString::number(vk) + (down ? u'+' : u'-');
    return parts.join(u' ');
}

} // namespace corv
