// Reads arbitrary bytes as a template in the runtime's view; the counts must
// always stay inside the tables. Checks them for --check's warnings too.
#include "template/ProfileFile.h"
#include "template/RuntimeTemplate.h"
#include "template/TemplateFile.h"
#include "template/TemplateWarnings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const corv::ProfileFile file = corv::ProfileFile::fromBytes(bytes);
    (void)corv::CheckTemplate(file);

    corv::RuntimeTemplate tables;
    const corv::RuntimeReadResult result = corv::ReadRuntimeTemplate(file, tables);
    if (tables.ModeCount < 0 || tables.ModeCount > corv::MaxModes || tables.ButtonCount < 0 ||
        tables.ButtonCount > corv::MaxButtons)
        std::abort();
    for (int m = 0; m < tables.ModeCount; ++m) {
        for (int k = 0; k < tables.ButtonCount; ++k) {
            const int count = tables.Mappings[m][k].Count;
            if (count < 0 || count > corv::MaxSlots)
                std::abort();
        }
    }
    for (const corv::ColourError& error : result.ColourErrors)
        (void)error.message();

    // The checks of --check meet hand-made files of any shape, and point
    // at lines the file has.
    const qsizetype lines = bytes.count('\n') + 1;
    for (const corv::TemplateWarning& warning : corv::TemplateWarnings(file))
        if (warning.Line < 1 || warning.Line > lines)
            std::abort();
    return 0;
}
