// The throw report: logs each reported exception and optionally asks the user first.
#include "talvo/throw_report.h"

#include <csignal>
#include <iostream>
#include <ostream>
#include <typeinfo>

#include "talvo/type_name.h"

namespace talvo {

std::uint8_t dialogsOnThrow = 0;

std::ostream& operator<<(std::ostream& out, const SourceLocation& location) {
    if (location.file != nullptr && location.file[0] != '\0')
        out << location.file << '(' << location.line << ") : ";
    if (location.function != nullptr && location.function[0] != '\0') out << location.function << " : ";
    return out;
}

bool reportThrow(const SourceLocation& location, const Exception& exception) {
    std::cerr << readableTypeName(typeid(exception)) << "\n    " << location << "\n    " << exception.what()
              << std::endl;
    return false;
}

void debugBreak() noexcept { std::raise(SIGTRAP); }

}  // namespace talvo
