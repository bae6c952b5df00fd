#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace corv
{

class ProfileFile;
struct ButtonMapping;
struct RuntimeTemplate;
struct Template;
enum class MappingAction : uint8_t;

enum class TemplateCheck { Valid, NotATemplate, EarlierVersion };

// The message each program shows for a failed check (empty for Valid). Not a
// template is shown as an error, an earlier version as information.
QString TemplateCheckMessage(TemplateCheck check);

TemplateCheck CheckTemplateFile(const QString& path);
TemplateCheck CheckTemplate(const ProfileFile& file);
// Why the file at path fails the check and what to do about it, as one
// sentence; empty when it passes.
QString TemplateCheckCause(const QString& path);

// Empty when the mapped buttons fit the "MAPPING" section (32 entries, the
// mode-switch button included); otherwise the message refusing the save.
QString CheckMappingLimit(const Template& tmpl);

// Whether a mapping can act: it has a keystroke, or its ACTION is MODE or
// LAYER, which need none. WriteTemplate leaves out the others.
bool IsUsableMapping(const ButtonMapping& mapping);

// Writes the template to path; other sections of an existing file survive.
// Nothing is written when it fails (CheckMappingLimit included); *error then
// holds the message.
bool WriteTemplate(const Template& tmpl, const QString& path, QString* error = nullptr);
// The same edit on a profile already in memory (used by WriteTemplate).
bool WriteTemplate(const Template& tmpl, ProfileFile& file, QString* error = nullptr);

// Editor view. The file should have passed the check; false when it cannot
// be read. What a hand edit can break is mended so that the document keeps
// its rules: identified buttons and each mode's mappings keep the first entry
// of a ButtonId and drop empty ones, and a RESPONSE outside 0..6 is 3.
bool ReadTemplate(const QString& path, Template& tmpl);
void ReadTemplate(const ProfileFile& file, Template& tmpl);

// BUTTONn_k_CHAR's "U+XXXX" (hexadecimal, any case); nothing for a text
// that is no character, a surrogate or beyond U+10FFFF.
std::optional<char32_t> ParseCharacter(QStringView text);
// BUTTONn_TEXT as typed: "\n" is a line break and "\\" a backslash.
QString DecodeText(QStringView text);

// BUTTONn_ACTION's names, any case: TAP, HOLD, TOGGLE, TURBO, MODE, LAYER.
std::optional<MappingAction> ParseMappingAction(QStringView text);
QString MappingActionName(MappingAction action);

// Whether a separate-inputs template reaches its modes through mappings of
// its own (MODE or LAYER actions), so that it needs no mode-switch button.
bool HasModeActions(const Template& tmpl);

// A colour text the runtime cannot draw, with the key it came from.
struct ColourError {
    QString Key;
    QString Text;
    QString message() const;
};

// Runtime view: the dispatch tables and the mode window's look. An unknown
// colour text leaves that colour at its default and is listed; the rest of
// the template is still read.
struct RuntimeReadResult {
    bool Loaded = false; // false: the file could not be read
    QList<ColourError> ColourErrors;
};
RuntimeReadResult ReadRuntimeTemplate(const QString& path, RuntimeTemplate& tables);
RuntimeReadResult ReadRuntimeTemplate(const ProfileFile& file, RuntimeTemplate& tables);

} // namespace corv
