// The one throw path: every reporting throw site logs its exception and location before throwing.
#pragma once

#include <cstdint>

#include "talvo/exception.h"
#include "talvo/source_location.h"

namespace talvo {

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
