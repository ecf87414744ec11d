// Formatter: the edge cases as golden vectors, modes, and a grid against snprintf.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "sprite/ctyFormat.h"
#include "sprite/ctyRuntime.h"
#include "spriteTestSupport.h"

namespace {

// The formatter keeps the tab column of the output it last wrote to, known by its address, and a
// new string may sit where the last one did (the arm64 build reuses the slot): a write of nothing
// elsewhere first makes every call start at column 0.
std::string formatWith(int mode, const char* format, ...)
{
    static char elsewhere;
    const auto sink = [](void* context, char c) { static_cast<std::string*>(context)->push_back(c); };
    ctyFormat(sink, &elsewhere, "", mode, nullptr);
    va_list args;
    va_start(args, format);
    std::string out;
    ctyFormat(sink, &out, format, mode, &args);
    va_end(args);
    return out;
}

std::string toBuffer(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char buffer[ctyFormatLimit];
    char* end = ctyFormatToBuffer(buffer, format, &args);
    va_end(args);
    EXPECT_EQ(*end, 0);
    return std::string(buffer, end);
}

long long answer64() { return 0x123456789ALL; }

TEST(CtyFormat, FlagsWidthsAndOwnConversionsGiveKnownText)
{
    resetErrors();
    int number = -7;
    const char* text = "end";
    const char* stop = text + 2;
    struct Row {
        std::string got;
        const char* expected;
    } rows[] = {
        {toBuffer("%5d", 42), "   42"},
        {toBuffer("%-5d|", 42), "42   |"},
        {toBuffer("%05d", -42), "-0042"},
        {toBuffer("%#x", 255), "0xff"},
        {toBuffer("%#x", 0), "0"},
        {toBuffer("%s", static_cast<const char*>(nullptr)), "NULL"},
        {toBuffer("%c", 0x1A), "<eof>"},
        {toBuffer("%=7s|", "ab"), "  ab   |"},
        {toBuffer("% s|", "  ab \t"), " ab |"},
        {toBuffer("%\"s", "q"), "\"q\""},
        {toBuffer("%.3c", 'z'), "zzz"},
        {toBuffer("%.2s", "hello"), "he"},
        {toBuffer("%.4s|", "ab"), "  ab|"},
        {toBuffer("%S %C", "ab\xE1\xF2", 'q'), "AB\xC1\x82 Q"},
        {toBuffer("%b %o %#o %Z %#z", 5, 8, 8, 71, 35), "101 10 010 1Z 0zz"},
        {toBuffer("%Ld %I64x", -5000000000LL, 0xABCDEF0123LL), "-5000000000 abcdef0123"},
        {toBuffer("%&d", &number), "-7"},
        {toBuffer("%^Lx", &answer64), "123456789a"},
        {toBuffer("%*d|%-*d|", 4, 1, -3, 2), "   1|2  |"},
        {toBuffer("%1*", 'd', 9), "9"},
        {toBuffer("%#s|", text, stop), "en|"},
        {toBuffer("%ws", u"wi"), "wi"},
        {toBuffer("%p", reinterpret_cast<void*>(0x123456789ABCull)), "0000123456789abc"},
        {toBuffer("%lp", reinterpret_cast<void*>(0x123456789ABCull)), "1234:56789abc"},
        {toBuffer("%5%|%q|%3q|"), "    %||   |"},
        {toBuffer("a\nb\r\nc"), "a\r\nb\r\nc"},
    };
    for (const Row& row : rows) EXPECT_EQ(row.got, row.expected);
    int produced = 0;
    EXPECT_EQ(toBuffer("abc%n", &produced), "abc");
    EXPECT_EQ(produced, 3);
    EXPECT_EQ(ctyError.code, 0);
}

TEST(CtyFormat, StatusesAndModes)
{
    resetErrors();
    EXPECT_EQ(toBuffer("a%fb", 1.5), "a");
    EXPECT_EQ(ctyError.code, -72) << "a float conversion ends the text";
    ctyError.code = 0;
    EXPECT_EQ(toBuffer("x%"), "x");
    EXPECT_EQ(ctyError.code, -72);
    ctyError.code = 0;
    EXPECT_EQ(toBuffer("%&d|%d", static_cast<int*>(nullptr), 5), "|");
    EXPECT_EQ(ctyError.code, -69) << "after a failure later conversions give nothing";
    ctyError.code = -5;
    EXPECT_EQ(toBuffer("%d", 1), "1");
    EXPECT_EQ(ctyError.code, -5) << "a code set before the call is restored";
    ctyError.code = 0;
    char buffer[ctyFormatLimit];
    ctyFormatToBuffer(buffer, "%d", nullptr);
    EXPECT_EQ(ctyError.code, -73);
    EXPECT_EQ(ctyErrorf(4, "%s", "overwrites"), -97);

    EXPECT_EQ(formatWith(ctyModeEscapes, "a\\tb\\n\\q\\\\"), "a\tb\nq\\");
    EXPECT_EQ(formatWith(ctyModeTabs, "\tx\tyz\\tw"), " x       yz      w");
    EXPECT_EQ(formatWith(ctyModeCrLf | ctyModeRawLineFeed, "a\nb"), "a\nb");
    EXPECT_EQ(formatWith(0, "a\nb"), "a\nb");

    const std::string longText(700, 'x');
    EXPECT_EQ(toBuffer("%s", longText.c_str()).size(), 511u) << "texts are cut at 511";
    EXPECT_EQ(toBuffer("% s", longText.c_str()).size(), 511u);
    EXPECT_EQ(toBuffer("%.600c", 'y').size(), 511u);
    resetErrors();
}

// Where the formatter agrees with printf: these conversions, flags, widths and string
// precisions. A precision above a string's length also raises the width here, so those
// cases are left to the golden vectors.
TEST(CtyFormat, AgreesWithSnprintfOnAGeneratedGrid)
{
    resetErrors();
    const char* flagSets[] = {"", "-", "0", "+", " ", "-+", "0+", "- ", "0 ", "-0"};
    const int widths[] = {-1, 0, 1, 3, 8, 12};
    const int values[] = {0, 1, -1, 42, -42, 255, 65535, 2147483647, -2147483647 - 1, 123456789};
    const char* strings[] = {"", "a", "hello", "longer text"};
    int checked = 0;
    for (const char* flags : flagSets) {
        for (int width : widths) {
            std::string spec = std::string("%") + flags + (width >= 0 ? std::to_string(width) : "");
            for (char conv : {'d', 'i', 'u', 'x', 'X'}) {
                if (conv != 'd' && conv != 'i' && std::string(flags).find_first_of("+ ") != std::string::npos)
                    continue;  // printf leaves + and blank to signed conversions too; covered by d, i
                const std::string format = spec + conv;
                for (int value : values) {
                    char expected[64];
                    std::snprintf(expected, sizeof expected, format.c_str(), value);
                    ASSERT_EQ(toBuffer(format.c_str(), value), expected) << format << " " << value;
                    ++checked;
                }
            }
            if (std::string(flags).find_first_of("0+ ") != std::string::npos) continue;
            const std::string charFormat = spec + 'c';
            for (int c : {'a', 'Z', '~'}) {
                char expected[64];
                std::snprintf(expected, sizeof expected, charFormat.c_str(), c);
                ASSERT_EQ(toBuffer(charFormat.c_str(), c), expected) << charFormat;
                ++checked;
            }
            for (int precision : {-1, 0, 2, 5}) {
                const std::string format = spec + (precision >= 0 ? "." + std::to_string(precision) : "") + 's';
                for (const char* s : strings) {
                    if (precision > static_cast<int>(std::string(s).size()) && precision > width) continue;
                    char expected[64];
                    std::snprintf(expected, sizeof expected, format.c_str(), s);
                    ASSERT_EQ(toBuffer(format.c_str(), s), expected) << format << " '" << s << "'";
                    ++checked;
                }
            }
        }
    }
    EXPECT_GT(checked, 2000);
    EXPECT_EQ(ctyError.code, 0);
}

}  // namespace
