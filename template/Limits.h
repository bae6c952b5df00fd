#pragma once

namespace corv
{

// The table limits of a template, for the file, both programs and the checks.
inline constexpr int MaxModes = 5;
inline constexpr int MaxButtons = 32; // button numbers of the MAPPING section
inline constexpr int MaxSlots = 6;    // keystrokes per mapping

} // namespace corv
