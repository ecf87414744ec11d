// Fuzz target: the log settings file as the program loads it, from the executable's folder
// through our file buffer in text mode; the categories go back as they were after every input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_files.h"
#include "talvo/log_category.h"
#include "talvo/log_config.h"
#include "talvo/log_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The settings file (and any log file) then lives in the harness's own folder.
    talvo::setExecutablePath(fuzz::tempFolder() + "/velmoor");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const talvo::detail::CategorySnapshot before = talvo::detail::saveCategoryRecords();
    static const std::string path = fuzz::tempFolder() + "/" + talvo::logSettingsFileName();
    fuzz::writeFile(path, data, size);
    talvo::LogConfig::load();
    talvo::detail::restoreCategoryRecords(before);
    return 0;
}
