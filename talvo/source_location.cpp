// The text of a source location.
#include "talvo/source_location.h"

#include <ostream>

namespace talvo {

std::ostream& operator<<(std::ostream& out, const SourceLocation& location) {
    if (location.file != nullptr && location.file[0] != '\0')
        out << location.file << '(' << location.line << ") : ";
    if (location.function != nullptr && location.function[0] != '\0') out << location.function << " : ";
    return out;
}

}  // namespace talvo
