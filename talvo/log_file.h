// Where the log and its settings file live: names from the executable, places to try.
#pragma once

#include <string>

#include "talvo/file.h"

namespace talvo {

// The executable's path (/proc/self/exe), or the path set by setExecutablePath.
[[nodiscard]] std::string executablePath();
// Replaces the executable's path for the rest of the run (tests; an empty path restores it).
void setExecutablePath(std::string path);

// The executable's stem (or "_talvo" when unknown) followed by the suffix.
[[nodiscard]] std::string makeLogFileName(const char* suffix);
// stem + ".log" and stem + ".log.ini", made once.
[[nodiscard]] const std::string& logFileName();
[[nodiscard]] const std::string& logSettingsFileName();

// Numbered-name suffix: n in base 36, lowercase digits, no leading zeros.
[[nodiscard]] std::string base36(unsigned n);

// Opens name in the first place that works: its own directory (when it has one), the executable's
// directory, $TMPDIR (else /tmp), the working directory. For writing each place also tries
// stem_1 .. stem_<101 in base 36> + extension; a mode with in stops after the first place.
// Returns the path opened, or an empty string.
std::string openLogFileSomewhere(File& file, const std::string& name, OpenMode mode);

}  // namespace talvo
