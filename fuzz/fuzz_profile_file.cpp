// Parses arbitrary bytes as a profile file, reads and edits it, and checks
// that a save reads back the values just written.
#include "template/ProfileFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    corv::ProfileFile file = corv::ProfileFile::fromBytes(bytes);

    const QString section = QStringLiteral("GLOBAL");
    (void)file.readString(section, QStringLiteral("MODE1NAME"), QStringLiteral("ERROR"));
    (void)file.readInt(section, QStringLiteral("MODES"), 0);
    (void)file.keyCount(section);

    // A key and a section named from the input itself, so that odd names
    // (brackets, blanks, equals signs) meet the writer too.
    const QString text = QString::fromUtf8(bytes.left(16)).remove(u'\n').remove(u'\r');
    file.writeString(section, QStringLiteral("FUZZ"), text);
    file.writeString(QStringLiteral("NEW"), QStringLiteral("KEY"), QStringLiteral("value"));
    file.eraseSection(QStringLiteral("MAPPING"));

    const corv::ProfileFile again = corv::ProfileFile::fromBytes(file.toBytes());
    if (again.readString(QStringLiteral("NEW"), QStringLiteral("KEY"), QString()) !=
        QStringLiteral("value"))
        std::abort();
    if (again.hasSection(QStringLiteral("MAPPING")) && !file.hasSection(QStringLiteral("MAPPING")))
        std::abort();
    return 0;
}
