// Tokenizer and interpreter of the log settings file.
#include "talvo/log_config.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

#include "talvo/exception.h"
#include "talvo/file.h"
#include "talvo/file_buf.h"
#include "talvo/log_category.h"
#include "talvo/log_file.h"

namespace talvo {

namespace {

using Kind = LogIniToken::Kind;
using Traits = std::istream::traits_type;

constexpr std::int32_t kAll = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kNone = -kAll;

bool isLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(int c) { return c >= '0' && c <= '9'; }

// get() that reports the end of the file as eof() and leaves the stream failed then.
int get(std::istream& in) { return in.get(); }
bool isEnd(int c) { return c == Traits::eof(); }

void putBack(std::istream& in, int c) {
    if (!isEnd(c)) in.unget();
}

void skipLetters(std::istream& in) {
    for (;;) {
        const int c = in.peek();
        if (isEnd(c) || !isLetter(c)) return;
        in.get();
    }
}

void readRestOfLine(std::istream& in, std::string& text) { std::getline(in, text); }

char escaped(int c) {
    switch (c) {
        case 'a': return 7;
        case 'b': return 8;
        case 'f': return 12;
        case 'n': return 10;
        case 'r': return 13;
        case 't': return 9;
        case 'v': return 11;
        default: return static_cast<char>(c);
    }
}

// Reads name characters up to the terminator, "]" or the end; the stopping character is consumed.
void readName(std::istream& in, int terminator, std::string& name) {
    for (;;) {
        int c = get(in);
        if (isEnd(c) || c == terminator || c == ']') return;
        if (c == '\\') {
            c = get(in);
            if (isEnd(c)) return;
            name += escaped(c);
        } else {
            name += static_cast<char>(c);
        }
    }
}

void readValue(std::istream& in, int sign, std::string& text) {
    in >> std::ws;
    if (sign == 0) {
        const int c = get(in);
        if (c == '+' || c == '-') {
            text += static_cast<char>(c);
            sign = c;
        } else {
            putBack(in, c);
        }
    }
    in >> std::ws;
    int c = get(in);
    if (c == '*') {
        text = sign == '-' ? "-*" : "+*";
    } else if (isDigit(c)) {
        while (isDigit(c)) {
            text += static_cast<char>(c);
            c = get(in);
        }
        putBack(in, c);
    } else {
        text += '*';
        putBack(in, c);
    }
}

void changeThreshold(std::int32_t& t, std::int32_t v) {
    if (v > 0) t = std::max(t, v);
    else if (v == kNone) t = std::min(t, -1);
    else if (v == 0) t = 0;
    else t = std::min(t, -(v + 1));  // -v - 1 without overflowing at INT32_MIN
}

}  // namespace

void LogIniTokenizer::next(std::istream& in, LogIniToken& token) {
    token.kind = Kind::other;
    token.text.clear();
    in >> std::ws;
    const int c = get(in);
    if (isEnd(c)) {
        token.kind = Kind::end;
        return;
    }
    switch (c) {
        case 'e':
        case 'w':
        case 'i':
            skipLetters(in);
            token.kind = c == 'e' ? Kind::error : c == 'w' ? Kind::warning : Kind::info;
            return;
        case '[': {
            in >> std::ws;
            const int c2 = get(in);
            if (c2 == '"' || c2 == '\'') {
                readName(in, c2, token.text);
                in >> std::ws;
                get(in);
            } else {
                putBack(in, c2);
                if (c2 != ']' && !isEnd(c2)) readName(in, ']', token.text);
                else get(in);
            }
            token.kind = Kind::section;
            return;
        }
        case ';':
            readRestOfLine(in, token.text);
            token.kind = Kind::comment;
            return;
        case '/':
            if (get(in) == '/') {
                readRestOfLine(in, token.text);
                token.kind = Kind::comment;
            }
            return;
        case '#':
            skipLetters(in);
            in >> std::ws;
            readRestOfLine(in, token.text);
            token.kind = Kind::directive;
            return;
        case '=':
            readValue(in, 0, token.text);
            token.kind = Kind::value;
            return;
        case '+':
        case '-': {
            in >> std::ws;
            const int c2 = get(in);
            if (c2 == '=') throwNotImplemented("NOT IMPLEMENTED");
            if (isEnd(c2)) return;
            token.text = static_cast<char>(c);
            putBack(in, c2);
            readValue(in, c, token.text);
            token.kind = Kind::value;
            return;
        }
        case '*':
            token.text = "+*";
            token.kind = Kind::value;
            return;
        default: return;
    }
}

std::int32_t LogConfig::valueOf(const std::string& text) {
    if (text.size() == 2 && text[1] == '*') return text[0] != '-' ? kAll : kNone;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long long>(v, std::numeric_limits<std::int32_t>::min(), kAll));
}

void LogConfig::apply(std::istream& in) {
    std::string section;
    Kind previous = Kind::end;
    LogIniToken token;
    for (;;) {
        LogIniTokenizer::next(in, token);
        if (in.fail()) return;
        switch (token.kind) {
            case Kind::section:
                section = token.text;
                if (section != "*" && section != "!") (void)categoryRecord(section);
                break;
            case Kind::value: {
                LogCategory& record = categoryRecord(section);
                const std::int32_t v = valueOf(token.text);
                const int only = previous == Kind::error ? 0 : previous == Kind::warning ? 1 : previous == Kind::info ? 2 : -1;
                for (int k = 0; k < 3; ++k) {
                    if (only >= 0 && k != only) continue;
                    changeThreshold(record.thresholds[k], v);
                    record.followsDefaults = 0;
                }
                if (section == "*") {
                    forEachCategoryRecord([](LogCategory& r) {
                        r = logDefaults;
                        r.followsDefaults = 1;
                    });
                }
                break;
            }
            case Kind::end: return;
            default: break;
        }
        if (token.kind != Kind::comment) previous = token.kind;
    }
}

void LogConfig::load() {
    LogGateSuspension quiet;
    File file;
    if (openLogFileSomewhere(file, logSettingsFileName(), std::ios_base::in).empty()) return;
    {
        io::FileBuf buffer(file.descriptor(), std::ios_base::in);
        std::istream in(&buffer);
        try {
            apply(in);
        } catch (const Exception&) {
            // A "+=" or "-=" ends the reading; what came before it stays applied.
        }
    }
    file.close();
}

}  // namespace talvo
