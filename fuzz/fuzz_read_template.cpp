// Reads arbitrary bytes as a template in the editor's view, then writes and
// reads it twice: once written by us, a template must survive a round trip.
#include "template/ProfileFile.h"
#include "template/Template.h"
#include "template/TemplateFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const corv::ProfileFile file = corv::ProfileFile::fromBytes(bytes);
    (void)corv::CheckTemplate(file);

    corv::Template first;
    corv::ReadTemplate(file, first);

    corv::ProfileFile written;
    if (!corv::WriteTemplate(first, written))
        return 0; // more distinct buttons than a template holds: refused
    corv::Template second;
    corv::ReadTemplate(corv::ProfileFile::fromBytes(written.toBytes()), second);

    corv::ProfileFile rewritten;
    if (!corv::WriteTemplate(second, rewritten))
        std::abort();
    corv::Template third;
    corv::ReadTemplate(corv::ProfileFile::fromBytes(rewritten.toBytes()), third);
    if (!(third == second))
        std::abort();
    return 0;
}
