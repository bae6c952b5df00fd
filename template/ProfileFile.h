#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

namespace corv
{

// A section or key name, hashed and compared without regard to case, so
// that lookups need no folded copy of the name.
struct ProfileName {
    QString Text;
};
bool operator==(const ProfileName& a, const ProfileName& b);
size_t qHash(const ProfileName& name, size_t seed);

// An INI (profile) file held in memory. Lookups ignore the case of section
// and key names; edits keep every other line of the file as it was, so a
// foreign section or a hand-written comment survives a save.
class ProfileFile
{
public:
    // NotAFile: a folder, FIFO, socket or device; TooLarge: over MaxFileSize.
    enum class LoadStatus { Loaded, Missing, Unreadable, NotAFile, TooLarge };

    // Longest value a read returns; longer values are cut.
    static constexpr int MaxValueLength = 1023;
    // The largest file load reads; templates are a few kilobytes.
    static constexpr qint64 MaxFileSize = 1024 * 1024;

    ProfileFile() = default;

    // Decodes as UTF-8 when the bytes are valid UTF-8, else as Windows-1252.
    static ProfileFile fromBytes(const QByteArray& bytes);
    // A missing file gives an empty profile (a save then creates it). Only a
    // regular file up to MaxFileSize is read, so that a FIFO or a device
    // cannot block or never end.
    LoadStatus load(const QString& path);

    QString readString(const QString& section, const QString& key, const QString& fallback) const;
    // Integers: decimal, or hexadecimal after "0x"/"0X" or "$".
    int32_t readInt(const QString& section, const QString& key, int32_t fallback) const;
    // Booleans are integers; any non-zero value is true.
    bool readBool(const QString& section, const QString& key, bool fallback) const;
    bool hasSection(const QString& section) const;
    // Number of key lines in the section (0 when it is missing).
    int keyCount(const QString& section) const;

    // Replaces an existing key in place, else appends it to its section,
    // else appends the section to the end of the file.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInt(const QString& section, const QString& key, int32_t value);
    void eraseSection(const QString& section);

    // UTF-8, in the line-end style the file had (LF for a new file).
    QByteArray toBytes() const;
    // Commits the whole file at once through a temporary file in the same
    // folder; on failure the old file is left untouched. Where the folder
    // refuses the temporary file, a writable file is written in place.
    bool save(const QString& path, QString* error = nullptr) const;

    static std::optional<int32_t> parseInt(QStringView text);

    // The file as it was read, for checks that point at lines. Line numbers
    // count from 1 and hold only until the first edit.
    struct RawKey {
        QString Key;
        QString Value; // whole, not cut to MaxValueLength
        int Line = 0;
    };
    struct RawSection {
        QString Name;       // empty for the lines before the first header
        int Line = 0;       // of the header; 0 before the first header
        bool Closed = true; // the header has its ']'
        QList<RawKey> Keys; // every key line, repeats included, in file order
        QList<int> NonKeys; // lines that are neither keys, comments nor blank
    };
    QList<RawSection> rawSections() const;

private:
    struct Line {
        QString Raw; // the line as it stands in the file, without its end
        QString Key; // trimmed key, empty when the line holds no key
        // The trimmed value, kept as a range of Raw to spare a copy per line.
        qsizetype ValueFrom = 0;
        qsizetype ValueLength = 0;
        QStringView value() const { return QStringView(Raw).mid(ValueFrom, ValueLength); }
    };
    struct Section {
        QString Header; // raw header line; empty for the lines before the first section
        QString Name;
        std::vector<Line> Lines;
        QHash<ProfileName, int> Keys; // key -> first line holding it
    };

    // Splits a line into key and value the way a read of the file would.
    static Line makeLine(QString raw);
    const Line* find(const QString& section, const QString& key) const;
    int findSection(const QString& section) const;
    void rebuildSectionIndex();
    void parse(const QString& text);

    std::vector<Section> sections_ = std::vector<Section>(1); // [0]: lines before any section
    QHash<ProfileName, int> sectionIndex_;                    // name -> first section of that name
    bool crlf_ = false;
    bool bom_ = false;
};

} // namespace corv
