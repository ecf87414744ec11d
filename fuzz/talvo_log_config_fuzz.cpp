// Feeds arbitrary bytes to the log settings reader; the categories go back as they were after
// every input, or the records of the fuzzer's section names would pile up.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "talvo/exception.h"
#include "talvo/log_category.h"
#include "talvo/log_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const talvo::detail::CategorySnapshot before = talvo::detail::saveCategoryRecords();
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    try {
        talvo::LogConfig::apply(in);
    } catch (const talvo::Exception&) {
        // "+=" and "-=" are refused by design.
    }
    talvo::detail::restoreCategoryRecords(before);
    return 0;
}
