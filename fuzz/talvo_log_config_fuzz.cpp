// Feeds arbitrary bytes to the log settings reader.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "talvo/exception.h"
#include "talvo/log_category.h"
#include "talvo/log_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const talvo::LogCategory gate = talvo::logGate;
    const talvo::LogCategory defaults = talvo::logDefaults;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    try {
        talvo::LogConfig::apply(in);
    } catch (const talvo::Exception&) {
        // "+=" and "-=" are refused by design.
    }
    talvo::logGate = gate;
    talvo::logDefaults = defaults;
    return 0;
}
