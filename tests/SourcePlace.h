#pragma once

namespace corv::test
{

// Where a test helper was called from, for its failure to point at the
// caller's line. What std::source_location gives, which clang 14 (and so
// clang-tidy) cannot compile with this standard library.
struct SourcePlace {
    const char* file;
    int line;

    // As a default argument, the place of the call that used the default.
    static SourcePlace current(const char* file = __builtin_FILE(), int line = __builtin_LINE())
    {
        return {file, line};
    }
};

} // namespace corv::test
