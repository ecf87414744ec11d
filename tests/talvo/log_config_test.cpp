// The log settings file: tokens, value forms, selectors and sections.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "talvo/exception.h"
#include "talvo/log_category.h"
#include "talvo/log_config.h"
#include "test_support.h"

namespace {

using talvo::LogConfig;
using talvo::LogIniToken;
using Kind = LogIniToken::Kind;
using Thresholds = std::vector<std::int32_t>;
constexpr std::int32_t all = std::numeric_limits<std::int32_t>::max();

std::vector<std::pair<Kind, std::string>> tokens(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::pair<Kind, std::string>> result;
    LogIniToken token;
    for (;;) {
        talvo::LogIniTokenizer::next(in, token);
        if (in.fail() || token.kind == Kind::end) return result;
        result.emplace_back(token.kind, token.text);
    }
}

void apply(const std::string& text) {
    std::istringstream in(text);
    LogConfig::apply(in);
}

Thresholds thresholds(const char* name) {
    const talvo::LogCategory& r = talvo::categoryRecord(name);
    return {r.thresholds[0], r.thresholds[1], r.thresholds[2]};
}

TEST(LogIniTokens, EveryFormAndEscapes) {
    const auto got = tokens("[talvo.io] ; note\nerror = -3\nwarn +7 info=* i -* #include x y\n// c\n/x = 5 +  4 *\n");
    const std::vector<std::pair<Kind, std::string>> expected = {
        {Kind::section, "talvo.io"}, {Kind::comment, " note"}, {Kind::error, ""},        {Kind::value, "-3"},
        {Kind::warning, ""},         {Kind::value, "+7"},      {Kind::info, ""},         {Kind::value, "+*"},
        {Kind::info, ""},            {Kind::value, "-*"},      {Kind::directive, "x y"}, {Kind::comment, " c"},
        {Kind::other, ""},           {Kind::value, "5"},       {Kind::value, "+4"},      {Kind::value, "+*"},
    };
    EXPECT_EQ(got, expected);

    const std::pair<const char*, const char*> firstText[] = {
        {"[ \"a\\]b\\tc\" ]\n", "a]b\tc"}, {"['q\\x\\n']\n", "qx\n"}, {"[x\\]y]\n", "x]y"},
        {"[\"a]b\"]\n", "a"},  // an unescaped ] ends even a quoted name
        {"[]\n", ""},          {"=x\n", "*"},         {"= - 12\n", "-12"},
    };
    for (const auto& [text, first] : firstText) EXPECT_EQ(tokens(text).at(0).second, first) << text;

    std::istringstream in("+ =5\n");
    LogIniToken token;
    EXPECT_EQ(talvotest::failureText([&] { talvo::LogIniTokenizer::next(in, token); }), "NOT IMPLEMENTED");
}

TEST(LogIniValues, FormsAndClamping) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"+*", all}, {"x*", all}, {"-*", -all}, {"*", 0}, {"-12", -12},
        {"99999999999999999999", all}, {"-99999999999", std::numeric_limits<std::int32_t>::min()},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(LogConfig::valueOf(text), value) << text;
}

// Keeps the process-wide records as they were; each case uses category names of its own.
class LogSettings : public ::testing::Test {
protected:
    talvo::LogCategory savedGate = talvo::logGate;
    talvo::LogCategory savedDefaults = talvo::logDefaults;
    ~LogSettings() override {
        talvo::logGate = savedGate;
        talvo::logDefaults = savedDefaults;
    }
};

TEST_F(LogSettings, ThresholdsPerSelectorAndValue) {
    struct Case {
        const char* text;
        const char* name;
        Thresholds expected;  // error, warning, info
    };
    const Case cases[] = {
        {"[sel.a]\nwarning = -3\n", "sel.a", {all, 2, all}},
        {"[sel.b]\ninfo ; why\n -4\n", "sel.b", {all, all, 3}},  // a comment does not separate selector and value
        {"[sel.c]\n-*\nError = 5\n", "sel.c", {5, 5, 5}},        // selector words are lower case only
        {"[sel.d]\n-*\nlevel = 5\n", "sel.d", {5, -1, -1}},
        {"[val.a]\n-10\n+3\n", "val.a", {9, 9, 9}},              // +n never narrows
        {"[val.b]\n-*\n+3\n-10\n", "val.b", {3, 3, 3}},          // -n never widens
        {"[val.c]\n=0\n", "val.c", {0, 0, 0}},
        {"[val.d]\n=x\n", "val.d", {0, 0, 0}},
        {"[big.a]\n-*\n= 99999999999999999999\n", "big.a", {all, all, all}},
        {"[big.b]\n-99999999999\n-2147483648\n", "big.b", {all, all, all}},  // -v-1 without overflow
        {"[big.c]\n-2147483647\n", "big.c", {-1, -1, -1}},
        {"[end.a]\n-3\n-2", "end.a", {2, 2, 2}},  // a last value without a line break is not applied
        {"[def.a]\n+7\nerror -2\n[*]\n-5\n", "def.a", {4, 4, 4}},  // the defaults override earlier categories
    };
    for (const Case& c : cases) {
        apply(c.text);
        EXPECT_EQ(thresholds(c.name), c.expected) << c.text;
    }
    EXPECT_EQ(talvo::categoryRecord("def.a").followsDefaults, 1);
    EXPECT_EQ(thresholds("def.b"), (Thresholds{4, 4, 4})) << "new records copy the defaults";

    EXPECT_THROW(apply("[stop.a]\n-3\n+= 1\n-1\n"), talvo::Exception);
    EXPECT_EQ(thresholds("stop.a"), (Thresholds{2, 2, 2})) << "what came before the stop stays";
}

}  // namespace
