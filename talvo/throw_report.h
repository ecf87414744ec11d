// The one throw path: every reporting throw site logs its exception and location before throwing.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "talvo/exception.h"

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

// Process-wide switch: when non-zero every throw report shows the assertion box before it logs.
// Off at start; nothing in the library turns it on.
extern std::uint8_t dialogsOnThrow;

// Logs the exception as one three-line error entry of the "exception" category (type name,
// location, message); shows the assertion box first when dialogsOnThrow is set. Returns true when
// the user asked to debug (Retry); Abort ends the process inside.
[[nodiscard]] bool reportThrow(const SourceLocation& location, const Exception& exception);

// Stops in an attached debugger; without one the process ends (SIGTRAP).
void debugBreak() noexcept;

// The throw protocol for a site: report, break when asked to, throw a copy.
template <class E>
[[noreturn]] void reportAndThrow(const SourceLocation& location, const E& exception) {
    if (reportThrow(location, exception)) debugBreak();
    throw E(exception);
}

}  // namespace talvo

// A SourceLocation of the current file and line with the given function text.
#define TALVO_SOURCE_LOCATION(function) (::talvo::SourceLocation{__FILE__, __LINE__, (function)})
