// The sprite library's printf-style formatter: flags, modifiers, conversions and modes.
#include "sprite/ctyFormat.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "sprite/ctyError.h"

namespace {

int defaultFloat(ctySink, void*, char, int, int, unsigned, long double) { return ctyCodeUnsupported; }

// NOTE: no caller uses the character-set modes; both tables map every character to itself.
constexpr std::array<unsigned char, 256> identityTable()
{
    std::array<unsigned char, 256> table{};
    for (int i = 0; i < 256; ++i) table[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    return table;
}
constexpr std::array<unsigned char, 256> dosToWin = identityTable();
constexpr std::array<unsigned char, 256> winToDos = identityTable();

const void* lastContext = nullptr;
int column = 0;
char messageBuffer[ctyFormatLimit];

enum Flag : unsigned {
    plusFlag = 1,
    leftFlag = 2,
    centreFlag = 4,
    blankFlag = 8,
    altFlag = 16,
    zeroFlag = 32,
    quoteFlag = 64,
};

constexpr int workLimit = ctyFormatLimit - 1;
// NOTE: an arbitrary bound on widths and precisions, so one bad argument cannot send billions
// of blanks to a sink.
constexpr int widthLimit = 1 << 20;

char upper(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
    if (u >= 0xE0 && u <= 0xEF) return static_cast<char>(u - 0x20);
    if (u >= 0xF0) return static_cast<char>(u - 0x70);
    return c;
}

class Formatter {
public:
    Formatter(ctySink sink, void* context, int mode, va_list* args)
        : sink_(sink), context_(context), mode_(mode), args_(args) {}

    int run(const char* format);

private:
    struct Spec {
        unsigned flags = 0;
        int width = 0;
        int precision = -1;
        bool wide64 = false;
        bool grouped = false;
        bool byReference = false;
        bool byFunction = false;
        bool wideText = false;
    };

    void emit(char c);
    void literal(char c);
    void expandTab();
    // Reads one conversion after its "%"; false ends the formatting.
    bool conversion(const char*& p);
    void convert(char conv, const Spec& spec);
    void integer(char conv, const Spec& spec);
    void text(char conv, const Spec& spec);
    void character(char conv, const Spec& spec);
    void pad(const Spec& spec, std::string_view prefix, std::string_view body, bool zeroAllowed);

    bool haveArgs();
    int nextInt();
    void* nextPointer();
    // The value of a numeric argument, through a reference or a function when asked.
    std::uint64_t nextValue(const Spec& spec);

    ctySink sink_;
    void* context_;
    int mode_;
    va_list* args_;
    int produced_ = 0;
    char last_ = 0;
    char work_[ctyFormatLimit];
};

void Formatter::emit(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (mode_ & ctyModeDosToWin) {
        c = static_cast<char>(dosToWin[u]);
    } else if (mode_ & ctyModeWinToDos) {
        c = static_cast<char>(winToDos[u]);
    }
    sink_(context_, c);
    ++produced_;
    column = c == '\n' ? 0 : column + 1;
    last_ = c;
}

void Formatter::expandTab()
{
    const int blanks = 8 - (((column - 1) % 8 + 8) % 8);
    for (int i = 0; i < blanks; ++i) emit(' ');
}

void Formatter::literal(char c)
{
    if (c == '\t' && (mode_ & ctyModeTabs)) {
        expandTab();
        return;
    }
    if (c == '\n' && (mode_ & ctyModeCrLf) && !(mode_ & ctyModeRawLineFeed) && last_ != '\r')
        emit('\r');
    emit(c);
}

bool Formatter::haveArgs()
{
    if (args_ != nullptr) return true;
    if (ctyError.code == 0) ctyError.code = ctyCodeNoArguments;
    return false;
}

int Formatter::nextInt() { return haveArgs() ? va_arg(*args_, int) : 0; }

void* Formatter::nextPointer() { return haveArgs() ? va_arg(*args_, void*) : nullptr; }

std::uint64_t Formatter::nextValue(const Spec& spec)
{
    if (spec.byFunction || spec.byReference) {
        void* pointer = nextPointer();
        if (pointer == nullptr) {
            if (args_ != nullptr && ctyError.code == 0) ctyError.code = ctyCodeNullArgument;
            return 0;
        }
        if (spec.byFunction) {
            if (spec.wide64) return static_cast<std::uint64_t>(reinterpret_cast<long long (*)()>(pointer)());
            return static_cast<std::uint32_t>(reinterpret_cast<int (*)()>(pointer)());
        }
        if (spec.wide64) {
            std::int64_t value;
            std::memcpy(&value, pointer, sizeof value);
            return static_cast<std::uint64_t>(value);
        }
        std::uint32_t value;
        std::memcpy(&value, pointer, sizeof value);
        return value;
    }
    if (!haveArgs()) return 0;
    if (spec.wide64) return static_cast<std::uint64_t>(va_arg(*args_, long long));
    return static_cast<std::uint32_t>(va_arg(*args_, int));
}

void Formatter::pad(const Spec& spec, std::string_view prefix, std::string_view body,
                    bool zeroAllowed)
{
    const int length = static_cast<int>(prefix.size() + body.size());
    const int padding = spec.width > length ? spec.width - length : 0;
    int before = 0;
    int zeros = 0;
    int after = 0;
    if (spec.flags & leftFlag) {
        after = padding;
    } else if (spec.flags & centreFlag) {
        before = padding / 2;
        after = padding - before;
    } else if ((spec.flags & zeroFlag) && zeroAllowed) {
        zeros = padding;
    } else {
        before = padding;
    }
    for (int i = 0; i < before; ++i) emit(' ');
    if (spec.flags & quoteFlag) emit('"');
    for (char c : prefix) emit(c);
    for (int i = 0; i < zeros; ++i) emit('0');
    for (char c : body) emit(c);
    if (spec.flags & quoteFlag) emit('"');
    for (int i = 0; i < after; ++i) emit(' ');
}

void Formatter::integer(char conv, const Spec& spec)
{
    const bool pointer = conv == 'p' || conv == 'P';
    Spec fetch = spec;
    fetch.wide64 = spec.wide64 || pointer;
    const std::uint64_t raw = pointer && !spec.byReference && !spec.byFunction
                                  ? reinterpret_cast<std::uintptr_t>(nextPointer())
                                  : nextValue(fetch);
    if (ctyError.code != 0) return;
    const bool lowerDigits = conv == 'x' || conv == 'z' || conv == 'p' || conv == 'o' ||
                             conv == 'b' || conv == 'd' || conv == 'i' || conv == 'u';
    const char* digits = lowerDigits ? "0123456789abcdefghijklmnopqrstuvwxyz"
                                     : "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    unsigned base = 10;
    std::uint64_t magnitude = fetch.wide64 ? raw : static_cast<std::uint32_t>(raw);
    std::string_view prefix;
    Spec used = spec;
    switch (conv) {
    case 'd':
    case 'i': {
        const std::int64_t value = spec.wide64 ? static_cast<std::int64_t>(raw)
                                               : static_cast<std::int32_t>(static_cast<std::uint32_t>(raw));
        magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        if (value < 0) {
            prefix = "-";
        } else if (spec.flags & plusFlag) {
            prefix = "+";
        } else if (spec.flags & blankFlag) {
            prefix = " ";
        }
        break;
    }
    case 'u':
        break;
    case 'o':
        base = 8;
        if (spec.flags & altFlag) prefix = "0";
        break;
    case 'x':
    case 'X':
        base = 16;
        if ((spec.flags & altFlag) && magnitude != 0) prefix = "0x";
        break;
    case 'z':
    case 'Z':
        base = 36;
        if ((spec.flags & altFlag) && magnitude != 0) prefix = "0z";
        break;
    case 'b':
        base = 2;
        break;
    default:  // p, P: the whole pointer
        base = 16;
        used.flags |= zeroFlag;
        break;
    }
    char buffer[72];
    char* end = buffer + sizeof buffer;
    char* p = end;
    if (pointer && spec.grouped) {
        // Grouped form: 4 digits of bits 32 to 47, ":", 8 digits of the low 32 bits.
        for (int i = 0; i < 8; ++i, magnitude >>= 4) *--p = digits[magnitude & 15];
        *--p = ':';
        for (int i = 0; i < 4; ++i, magnitude >>= 4) *--p = digits[magnitude & 15];
    } else {
        do {
            *--p = digits[magnitude % base];
            magnitude /= base;
        } while (magnitude != 0);
        if (pointer) {
            while (end - p < static_cast<long>(2 * sizeof(void*))) *--p = '0';
        }
    }
    pad(used, prefix, std::string_view(p, static_cast<std::size_t>(end - p)), true);
}

void Formatter::text(char conv, const Spec& spec)
{
    void* pointer = spec.byReference ? nextPointer() : nullptr;
    if (spec.byReference && pointer == nullptr) {
        if (args_ != nullptr && ctyError.code == 0) ctyError.code = ctyCodeNullArgument;
        return;
    }
    const void* start = spec.byReference ? *static_cast<void* const*>(pointer) : nextPointer();
    const void* stop = (spec.flags & altFlag) ? nextPointer() : nullptr;
    if (ctyError.code != 0) return;
    int length = 0;
    if (start == nullptr) {
        std::memcpy(work_, "NULL", 4);
        length = 4;
    } else {
        const int step = spec.wideText ? 2 : 1;
        const auto* bytes = static_cast<const unsigned char*>(start);
        const std::ptrdiff_t limit =
            stop != nullptr ? (static_cast<const unsigned char*>(stop) - bytes) / step : -1;
        for (std::ptrdiff_t i = 0; length < workLimit && (limit < 0 || i < limit); ++i) {
            const unsigned char c = bytes[i * step];  // a 16-bit character's low byte
            if (limit < 0 && c == 0 && (!spec.wideText || bytes[i * step + 1] == 0)) break;
            work_[length++] = static_cast<char>(c);
        }
    }
    std::string_view body(work_, static_cast<std::size_t>(length));
    if (spec.flags & blankFlag) {
        while (!body.empty() && static_cast<unsigned char>(body.front()) <= 0x20) body.remove_prefix(1);
        while (!body.empty() && static_cast<unsigned char>(body.back()) <= 0x20) body.remove_suffix(1);
        const std::size_t kept = std::min<std::size_t>(body.size(), workLimit - 2);
        std::memmove(work_ + 1, body.data(), kept);
        work_[0] = ' ';
        work_[kept + 1] = ' ';
        body = std::string_view(work_, kept + 2);
    }
    if (spec.precision >= 0 && body.size() > static_cast<std::size_t>(spec.precision))
        body = body.substr(0, static_cast<std::size_t>(spec.precision));
    if (conv == 'S') {
        char* first = work_ + (body.data() - work_);
        for (std::size_t i = 0; i < body.size(); ++i) first[i] = upper(first[i]);
    }
    pad(spec, {}, body, true);
}

void Formatter::character(char conv, const Spec& spec)
{
    char c = static_cast<char>(nextValue(spec));
    if (ctyError.code != 0) return;
    if (conv == 'C') c = upper(c);
    if (c == 0x1A) {
        pad(spec, {}, "<eof>", true);
        return;
    }
    const int count = spec.precision >= 0 ? std::min(spec.precision, workLimit) : 1;
    std::memset(work_, c, static_cast<std::size_t>(count));
    pad(spec, {}, std::string_view(work_, static_cast<std::size_t>(count)), true);
}

void Formatter::convert(char conv, const Spec& spec)
{
    switch (conv) {
    case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
    case 'z': case 'Z': case 'b': case 'p': case 'P':
        integer(conv, spec);
        return;
    case 'c': case 'C':
        character(conv, spec);
        return;
    case 's': case 'S':
        text(conv, spec);
        return;
    case 'n': {
        auto* target = static_cast<std::int32_t*>(nextPointer());
        if (target != nullptr) *target = produced_;
        return;
    }
    case '%':
        pad(spec, {}, "%", false);
        return;
    default:
        pad(spec, {}, {}, false);
        return;
    }
}

bool Formatter::conversion(const char*& p)
{
    Spec spec;
    for (;; ++p) {
        switch (*p) {
        case '+': spec.flags |= plusFlag; continue;
        case '-': spec.flags |= leftFlag; continue;
        case '=': spec.flags |= centreFlag; continue;
        case ' ': spec.flags |= blankFlag; continue;
        case '#': spec.flags |= altFlag; continue;
        case '0': spec.flags |= zeroFlag; continue;
        case '"': case '\'': spec.flags |= quoteFlag; continue;
        case '&': spec.byReference = true; continue;
        case '^': spec.byFunction = true; continue;
        default: break;
        }
        break;
    }
    // Width and precision are read even after a failure so the format stays in step.
    const bool live = ctyError.code == 0;
    if (*p == '*') {
        ++p;
        const int value = live ? nextInt() : 0;
        if (value < 0) spec.flags |= leftFlag;
        spec.width = static_cast<int>(std::min<long long>(value < 0 ? -static_cast<long long>(value) : value, widthLimit));
    } else {
        for (; *p >= '0' && *p <= '9'; ++p) spec.width = std::min(spec.width * 10 + (*p - '0'), widthLimit);
    }
    if (*p == '.') {
        ++p;
        if (*p == '*') {
            ++p;
            const int value = live ? nextInt() : 0;
            spec.precision = value < 0 ? -1 : std::min(value, widthLimit);
        } else {
            spec.precision = 0;
            for (; *p >= '0' && *p <= '9'; ++p) spec.precision = std::min(spec.precision * 10 + (*p - '0'), widthLimit);
        }
    }
    bool fromArgument = false;
    for (;; ++p) {
        switch (*p) {
        case 'l': case 'r': spec.grouped = true; spec.wide64 = false; continue;
        case 'L': spec.wide64 = true; continue;
        case 'I':
            if (p[1] == '6' && p[2] == '4') p += 2;
            spec.wide64 = true;
            continue;
        case 'N': case 'F': case '&': spec.byReference = true; continue;
        case '^': spec.byFunction = true; continue;
        case '*': fromArgument = true; continue;
        case 'w': spec.wideText = true; continue;
        default: break;
        }
        break;
    }
    if (spec.precision > spec.width) spec.width = spec.precision;
    char conv;
    if (fromArgument) {
        conv = static_cast<char>(live ? nextInt() : 0);
    } else {
        if (*p == 0) {
            ctyError.code = ctyCodeUnsupported;
            return false;
        }
        conv = *p++;
    }
    if (ctyError.code != 0) return true;
    switch (conv) {
    case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'r': case 'R': {
        long double value = 0;
        if (haveArgs()) value = spec.wide64 ? va_arg(*args_, long double) : va_arg(*args_, double);
        if (ctyError.code != 0) return true;
        const int status = ctyFloatHook(sink_, context_, conv, spec.width, spec.precision, spec.flags, value);
        if (status != 0) {
            ctyError.code = status;
            return false;
        }
        return true;
    }
    default:
        convert(conv, spec);
        return true;
    }
}

int Formatter::run(const char* format)
{
    const std::int32_t saved = ctyError.code;
    ctyError.code = 0;
    if (context_ != lastContext) column = 0;
    lastContext = context_;
    for (const char* p = format; p != nullptr && *p != 0;) {
        const char c = *p++;
        if (c == '%') {
            if (!conversion(p)) break;
            continue;
        }
        if (c == '\\' && (mode_ & ctyModeEscapes) && *p != 0) {
            const char next = *p++;
            literal(next == 'b' ? '\b' : next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next);
            continue;
        }
        if (c == '\\' && *p == 't' && (mode_ & ctyModeTabs) && !(mode_ & ctyModeEscapes)) {
            ++p;
            expandTab();
            continue;
        }
        literal(c);
    }
    if (saved != 0) ctyError.code = saved;
    return produced_;
}

struct BufferSink {
    char* next;
    char* last;  // where the terminator of a full buffer goes
};

void toBuffer(void* context, char c)
{
    auto* sink = static_cast<BufferSink*>(context);
    if (sink->next == sink->last) return;
    *sink->next++ = c;
    *sink->next = 0;
}

}  // namespace

ctyFloatFormatter ctyFloatHook = defaultFloat;

int ctyFormat(ctySink sink, void* context, const char* format, int mode, va_list* args)
{
    return Formatter(sink, context, mode, args).run(format);
}

char* ctyFormatToBuffer(char* buffer, const char* format, va_list* args)
{
    if (buffer == nullptr) buffer = messageBuffer;
    BufferSink sink{buffer, buffer + ctyFormatLimit - 1};
    *buffer = 0;
    ctyFormat(toBuffer, &sink, format, ctyModeCrLf, args);
    return sink.next;
}

char* ctyMessageBuffer() noexcept { return messageBuffer; }
