// Where something happened in the source: what a throw report and an assertion box show.
#pragma once

#include <cstdint>
#include <iosfwd>

namespace talvo {

// Where a throw happened; built on the stack from constants. Empty or null texts and line 0 mean
// "not known".
struct SourceLocation {
    const char* file = nullptr;
    std::int32_t line = 0;
    const char* function = nullptr;
};

// The location text: "file(line) : " when a file is known, then "function : " when one is known.
std::ostream& operator<<(std::ostream& out, const SourceLocation& location);

}  // namespace talvo

// A SourceLocation of the current file and line with the given function text.
#define TALVO_SOURCE_LOCATION(function) (::talvo::SourceLocation{__FILE__, __LINE__, (function)})
