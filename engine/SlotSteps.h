#pragma once

#include "template/RuntimeTemplate.h"

#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace corv
{

class KeyInjector;

// One keystroke of a mapping as it is typed: the slot's modifiers around a
// key, a printable key meant with Shift (its US character, Shifted), or a
// character by code point.
struct SlotStep {
    bool Ctrl = false;
    bool Shift = false; // a real Shift key around the key
    bool Alt = false;
    int Vk = 0;
    char32_t Character = 0;
    bool Shifted = false;
};

// One request to the backend that a step makes: a key, a key meant with
// Shift, or a character.
struct StepKey {
    enum Kind : uint8_t { Key, Shifted, Character };
    Kind kind = Key;
    char32_t code = 0;
    auto operator<=>(const StepKey&) const = default;
};

// What a step presses, in order (Ctrl, Shift, Alt as set, then the key);
// it lets go in the reverse order.
struct StepKeys {
    std::array<StepKey, 4> keys{};
    int count = 0;
    const StepKey* begin() const { return keys.data(); }
    const StepKey* end() const { return keys.data() + count; }
};
StepKeys KeysOf(const SlotStep& step);
void SendStepKey(KeyInjector& keys, const StepKey& key, bool down);

// The steps of a mapping: its slots, then its text (a line break is Enter).
// characters: Shift on a key is its US character, typed by the backend on
// any layout; otherwise Shift is a key of its own, as the code says.
std::vector<SlotStep> MappingSteps(const Mapping& mapping, bool characters);

// A character a template types that the backend cannot, and the mappings
// that type it ("mode 1, mapping 3").
struct MissingCharacter {
    char32_t Character = 0;
    QStringList Places;
};
// Every character the template's mappings type (their slots' characters,
// Shift on a printable key, printable keys and texts; only characters and
// texts when its keys go by position) for which canType says no, in the
// order first met.
QList<MissingCharacter> MissingCharacters(const RuntimeTemplate& t,
                                          const std::function<bool(char32_t)>& canType);
// '"é" (U+00E9)', as --check and the start-up name a character.
QString CharacterName(char32_t c);

// Types one step at once: down, then up, modifiers around it.
void TypeStep(KeyInjector& keys, const SlotStep& step);

} // namespace corv
