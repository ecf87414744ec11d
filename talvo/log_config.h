// The log settings file: sections name categories, values set their error/warning/info thresholds.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

namespace talvo {

struct LogIniToken {
    enum class Kind : std::int32_t {
        other = 0,
        error = 1,    // a word starting with e
        warning = 2,  // a word starting with w
        info = 3,     // a word starting with i
        section = 4,  // [name]
        comment = 6,  // ; or //
        value = 7,    // "+*", "-*", or an optional sign and digits or "*"
        directive = 8,
        end = 9,
    };
    Kind kind = Kind::other;
    std::string text;
};

class LogIniTokenizer {
public:
    // Reads the next token. A sign followed by "=" throws Exception("NOT IMPLEMENTED").
    static void next(std::istream& in, LogIniToken& token);
};

class LogConfig {
public:
    // Reads the settings file beside the executable once, with the gate suspended. A missing file
    // changes nothing; a "+=" or "-=" stops the reading there and keeps what was applied.
    static void load();
    // Applies the settings read from the stream; stops at the first failed read (so a last value
    // without a line break after it is not applied). Lets the tokenizer's exception through.
    static void apply(std::istream& in);
    // "+*" and other two-character texts ending in "*" give INT32_MAX, "-*" gives -INT32_MAX;
    // anything else its decimal value, clamped to 32 bits.
    [[nodiscard]] static std::int32_t valueOf(const std::string& text);
};

}  // namespace talvo
