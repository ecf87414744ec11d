// The sprite library's printf-style formatter: characters go one by one to a sink.
#pragma once

#include <cstdarg>

// Characters a formatted text may hold, the terminator included; longer texts are cut.
inline constexpr int ctyFormatLimit = 512;

// Mode bits of ctyFormat.
inline constexpr int ctyModeRawLineFeed = 1;  // with ctyModeCrLf: line feeds stay alone
inline constexpr int ctyModeCrLf = 2;         // a line feed goes out as carriage return, line feed
inline constexpr int ctyModeEscapes = 4;      // backslash escapes \b \n \r \t in the format
inline constexpr int ctyModeTabs = 8;         // tabs become blanks up to the next stop of 8
inline constexpr int ctyModeDosToWin = 16;    // characters pass through the first translation table
inline constexpr int ctyModeWinToDos = 32;    // else through the second

using ctySink = void (*)(void* context, char c);

// Formats a floating-point conversion; answers 0 or a status. The default produces nothing
// and answers ctyCodeUnsupported, which ends the formatting.
using ctyFloatFormatter = int (*)(ctySink sink, void* context, char conversion, int width,
                                  int precision, unsigned flags, long double value);
extern ctyFloatFormatter ctyFloatHook;

// Formats through the sink and returns the characters produced. args may be null: the first
// conversion that needs an argument then sets status ctyCodeNoArguments. Failures are status
// values in ctyError.code (ctyCodeNullArgument, ctyCodeUnsupported, ctyCodeNoArguments; ctyError.h),
// kept only when the code was 0 at entry.
int ctyFormat(ctySink sink, void* context, const char* format, int mode, va_list* args);

// Formats with mode ctyModeCrLf into buffer (ctyFormatLimit characters), or into the message
// buffer when it is null; the text is cut at ctyFormatLimit - 1. Returns the terminator.
char* ctyFormatToBuffer(char* buffer, const char* format, va_list* args);

// The static message buffer that ctyFormatToBuffer(nullptr, ...) and ctyErrorf fill.
[[nodiscard]] char* ctyMessageBuffer() noexcept;
