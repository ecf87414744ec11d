// The throw report: logs each reported exception and optionally asks the user first.
#include "talvo/throw_report.h"

#include <csignal>
#include <ostream>
#include <typeinfo>

#include "talvo/assertion.h"
#include "talvo/log.h"
#include "talvo/type_name.h"

namespace talvo {

std::uint8_t dialogsOnThrow = 0;

bool reportThrow(const SourceLocation& location, const Exception& exception) {
    AssertionChoice choice = AssertionChoice::ignore;
    if (dialogsOnThrow != 0) choice = show_assertion_message(location, exception.what());
    char typeName[512];
    formatTypeName(typeid(exception), typeName, sizeof typeName);
    exceptionLog.entry() << typeName << "\n    " << location << "\n    " << exception.what() << std::endl;
    return assertionChoiceToBreak(choice);
}

void debugBreak() noexcept { std::raise(SIGTRAP); }

}  // namespace talvo
