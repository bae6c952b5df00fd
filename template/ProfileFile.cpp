#include "template/ProfileFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QVarLengthArray>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corv
{

namespace
{

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five unassigned
// bytes map to the C1 controls of the same value, as Windows itself does.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(Cp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QString trimmed(QStringView s)
{
    qsizetype from = 0;
    qsizetype to = s.size();
    while (from < to && isBlank(s[from]))
        ++from;
    while (to > from && isBlank(s[to - 1]))
        --to;
    return s.mid(from, to - from).toString();
}

// A value is one line: a line break inside it would forge further lines.
QString singleLine(const QString& value)
{
    if (!value.contains(u'\n') && !value.contains(u'\r'))
        return value;
    QString copy = value;
    copy.replace(u'\r', u' ');
    copy.replace(u'\n', u' ');
    return copy;
}

QStringView cutValue(QStringView value)
{
    if (value.size() <= ProfileFile::MaxValueLength)
        return value;
    qsizetype cut = ProfileFile::MaxValueLength;
    if (value[cut - 1].isHighSurrogate())
        --cut; // never leave half a character behind
    return value.left(cut);
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

namespace
{

char16_t foldUnit(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    return QChar(c).toCaseFolded().unicode();
}

} // namespace

bool operator==(const ProfileName& a, const ProfileName& b)
{
    if (a.Text.size() != b.Text.size())
        return false;
    const char16_t* x = reinterpret_cast<const char16_t*>(a.Text.constData());
    const char16_t* y = reinterpret_cast<const char16_t*>(b.Text.constData());
    for (qsizetype i = 0; i < a.Text.size(); ++i) {
        if (x[i] != y[i] && foldUnit(x[i]) != foldUnit(y[i]))
            return false;
    }
    return true;
}

size_t qHash(const ProfileName& name, size_t seed)
{
    QVarLengthArray<char16_t, 64> folded(name.Text.size());
    const char16_t* text = reinterpret_cast<const char16_t*>(name.Text.constData());
    for (qsizetype i = 0; i < name.Text.size(); ++i)
        folded[i] = foldUnit(text[i]);
    return qHashBits(folded.data(), size_t(folded.size()) * sizeof(char16_t), seed);
}

std::optional<int32_t> ProfileFile::parseInt(QStringView text)
{
    QStringView s = text;
    bool negative = false;
    if (!s.isEmpty() && (s[0] == u'-' || s[0] == u'+')) {
        negative = s[0] == u'-';
        s = s.mid(1);
    }
    int base = 10;
    if (s.startsWith(u'$')) {
        base = 16;
        s = s.mid(1);
    } else if (s.size() > 2 && (s.startsWith(u"0x") || s.startsWith(u"0X"))) {
        base = 16;
        s = s.mid(2);
    }
    if (s.isEmpty())
        return std::nullopt;
    uint64_t value = 0;
    for (QChar c : s) {
        const int digit =
            base == 16 ? hexDigit(c) : (c >= u'0' && c <= u'9' ? c.unicode() - u'0' : -1);
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    int64_t result;
    if (base == 16) {
        // Eight hex digits cover the whole 32-bit pattern, as "$FFFFFFFF" = -1.
        result = static_cast<int32_t>(static_cast<uint32_t>(value));
    } else {
        result = static_cast<int64_t>(value);
        if (result > (negative ? 2147483648LL : 2147483647LL))
            return std::nullopt;
    }
    if (negative)
        result = -result;
    return static_cast<int32_t>(result);
}

ProfileFile ProfileFile::fromBytes(const QByteArray& bytes)
{
    ProfileFile file;
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF")) {
        file.bom_ = true;
        body = body.sliced(3);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(body);
    if (utf8.hasError())
        text = decodeCp1252(body);
    const qsizetype lf = text.indexOf(u'\n');
    file.crlf_ = lf > 0 && text[lf - 1] == u'\r';
    file.parse(text);
    return file;
}

ProfileFile::LoadStatus ProfileFile::load(const QString& path)
{
    *this = ProfileFile();
    if (!QFileInfo::exists(path))
        return LoadStatus::Missing;
    // Opened without blocking and looked at through the open handle, so that
    // neither a FIFO nor a file swapped after the look can hang the caller.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return LoadStatus::Unreadable;
    QFile f;
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return LoadStatus::Unreadable;
    }
    struct stat st {
    };
    if (::fstat(fd, &st) != 0)
        return LoadStatus::Unreadable;
    if (!S_ISREG(st.st_mode))
        return LoadStatus::NotAFile;
    if (st.st_size > MaxFileSize)
        return LoadStatus::TooLarge;
    // The file may still grow after the look; never read past the cap.
    const QByteArray bytes = f.read(MaxFileSize + 1);
    if (f.error() != QFileDevice::NoError)
        return LoadStatus::Unreadable;
    if (bytes.size() > MaxFileSize)
        return LoadStatus::TooLarge;
    *this = fromBytes(bytes);
    return LoadStatus::Loaded;
}

ProfileFile::Line ProfileFile::makeLine(QString raw)
{
    Line line{std::move(raw), {}};
    const QStringView view(line.Raw);
    qsizetype first = 0;
    while (first < view.size() && isBlank(view[first]))
        ++first;
    const qsizetype eq = view.indexOf(u'=');
    if (eq < 0 || view[first] == u';')
        return line; // kept, but holds no key
    line.Key = trimmed(view.mid(first, eq - first));
    qsizetype from = eq + 1;
    qsizetype to = view.size();
    while (from < to && isBlank(view[from]))
        ++from;
    while (to > from && isBlank(view[to - 1]))
        --to;
    line.ValueFrom = from;
    line.ValueLength = to - from;
    return line;
}

void ProfileFile::parse(const QString& text)
{
    sections_.clear();
    sections_.push_back(Section{}); // lines before the first header
    const QStringView all(text);
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf(u'\n', start);
        qsizetype next = end < 0 ? all.size() : end + 1;
        if (end < 0)
            end = all.size();
        QStringView raw = all.mid(start, end - start);
        if (raw.endsWith(u'\r'))
            raw.chop(1);
        start = next;

        qsizetype first = 0;
        while (first < raw.size() && isBlank(raw[first]))
            ++first;
        if (first < raw.size() && raw[first] == u'[') {
            const qsizetype close = raw.indexOf(u']', first + 1);
            Section section;
            section.Header = raw.toString();
            section.Name = trimmed(raw.mid(first + 1, close < 0 ? -1 : close - first - 1));
            sections_.push_back(std::move(section));
            continue;
        }
        Line line = makeLine(raw.toString());
        Section& section = sections_.back();
        if (!line.Key.isEmpty() && !section.Keys.contains(ProfileName{line.Key}))
            section.Keys.insert(ProfileName{line.Key}, int(section.Lines.size())); // first one wins
        section.Lines.push_back(std::move(line));
    }
    rebuildSectionIndex();
}

void ProfileFile::rebuildSectionIndex()
{
    sectionIndex_.clear();
    // Backwards, so that of two sections with one name the first one wins.
    for (size_t i = sections_.size(); i-- > 1;)
        sectionIndex_.insert(ProfileName{sections_[i].Name}, int(i));
}

int ProfileFile::findSection(const QString& section) const
{
    return sectionIndex_.value(ProfileName{section}, -1);
}

const ProfileFile::Line* ProfileFile::find(const QString& section, const QString& key) const
{
    const int s = findSection(section);
    if (s < 0)
        return nullptr;
    const Section& sec = sections_[s];
    const int l = sec.Keys.value(ProfileName{key}, -1);
    return l < 0 ? nullptr : &sec.Lines[l];
}

QString ProfileFile::readString(const QString& section, const QString& key,
                                const QString& fallback) const
{
    const Line* line = find(section, key);
    return line ? cutValue(line->value()).toString() : fallback;
}

int32_t ProfileFile::readInt(const QString& section, const QString& key, int32_t fallback) const
{
    const Line* line = find(section, key);
    return line ? parseInt(cutValue(line->value())).value_or(fallback) : fallback;
}

bool ProfileFile::readBool(const QString& section, const QString& key, bool fallback) const
{
    return readInt(section, key, fallback ? 1 : 0) != 0;
}

bool ProfileFile::hasSection(const QString& section) const
{
    return findSection(section) >= 0;
}

int ProfileFile::keyCount(const QString& section) const
{
    const int s = findSection(section);
    if (s < 0)
        return 0;
    int count = 0;
    for (const Line& line : sections_[s].Lines)
        count += line.Key.isEmpty() ? 0 : 1;
    return count;
}

QList<ProfileFile::RawSection> ProfileFile::rawSections() const
{
    QList<RawSection> result;
    int lineNumber = 0;
    for (const Section& section : sections_) {
        RawSection raw;
        raw.Name = section.Name;
        if (&section != &sections_.front()) {
            raw.Line = ++lineNumber;
            const qsizetype open = section.Header.indexOf(u'[');
            raw.Closed = section.Header.indexOf(u']', open + 1) > open;
        }
        for (const Line& line : section.Lines) {
            ++lineNumber;
            if (!line.Key.isEmpty()) {
                raw.Keys.append({line.Key, line.value().toString(), lineNumber});
                continue;
            }
            const QString text = trimmed(line.Raw);
            if (!text.isEmpty() && !text.startsWith(u';') && !text.startsWith(u'#'))
                raw.NonKeys.append(lineNumber);
        }
        result.append(std::move(raw));
    }
    return result;
}

void ProfileFile::writeString(const QString& section, const QString& key, const QString& value)
{
    const QString clean = singleLine(value);
    int s = findSection(section);
    if (s < 0) {
        Section created;
        created.Header = QLatin1Char('[') + section + QLatin1Char(']');
        created.Name = section;
        sections_.push_back(std::move(created));
        s = int(sections_.size() - 1);
        sectionIndex_.insert(ProfileName{section}, s);
    }
    Section& sec = sections_[s];
    const ProfileName folded{key};
    Line line = makeLine(key + QLatin1Char('=') + clean);
    const auto it = sec.Keys.constFind(folded);
    if (it != sec.Keys.constEnd()) {
        sec.Lines[*it] = std::move(line);
        return;
    }
    // Append after the section's last non-blank line, so that blank lines
    // separating it from the next section stay where they are.
    size_t at = sec.Lines.size();
    const auto blank = [](const QString& raw) {
        return std::all_of(raw.begin(), raw.end(), isBlank);
    };
    // Only blank lines follow, so no key's line index moves.
    while (at > 0 && blank(sec.Lines[at - 1].Raw))
        --at;
    sec.Lines.insert(sec.Lines.begin() + qsizetype(at), std::move(line));
    sec.Keys.insert(folded, int(at));
}

void ProfileFile::writeInt(const QString& section, const QString& key, int32_t value)
{
    writeString(section, key, QString::number(value));
}

void ProfileFile::eraseSection(const QString& section)
{
    if (findSection(section) < 0)
        return;
    // Every section of that name goes, so that a hand-made duplicate cannot
    // leave stale keys behind the one being rewritten.
    const ProfileName name{section};
    sections_.erase(std::remove_if(sections_.begin() + 1, sections_.end(),
                                   [&](const Section& s) { return ProfileName{s.Name} == name; }),
                    sections_.end());
    rebuildSectionIndex();
}

QByteArray ProfileFile::toBytes() const
{
    const QLatin1StringView eol(crlf_ ? "\r\n" : "\n");
    QString text;
    for (const Section& section : sections_) {
        if (&section != &sections_.front()) {
            text += section.Header;
            text += eol;
        }
        for (const Line& line : section.Lines) {
            text += line.Raw;
            text += eol;
        }
    }
    QByteArray bytes = text.toUtf8();
    if (bom_)
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

bool ProfileFile::save(const QString& path, QString* error) const
{
    QSaveFile file(path);
    // A folder that refuses the temporary file may still hold a writable
    // file: that is then written in place, from the whole content at once.
    file.setDirectWriteFallback(true);
    const QByteArray bytes = toBytes();
    const bool ok =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!ok && error)
        *error = QStringLiteral("Unable to write to %1").arg(path);
    return ok;
}

} // namespace corv
