// The log settings file: tokens, value forms, selectors and sections.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "talvo/exception.h"
#include "talvo/log_category.h"
#include "talvo/log_config.h"

namespace {

using talvo::LogCategory;
using talvo::LogConfig;
using talvo::LogIniToken;
using Kind = LogIniToken::Kind;
constexpr std::int32_t all = std::numeric_limits<std::int32_t>::max();

// Keeps the process-wide records as they were; each test uses category names of its own.
class LogSettings : public ::testing::Test {
protected:
    LogCategory savedGate = talvo::logGate;
    LogCategory savedDefaults = talvo::logDefaults;
    ~LogSettings() override {
        talvo::logGate = savedGate;
        talvo::logDefaults = savedDefaults;
    }
    static void apply(const std::string& text) {
        std::istringstream in(text);
        LogConfig::apply(in);
    }
    static std::vector<std::int32_t> thresholds(const char* name) {
        const LogCategory& r = talvo::categoryRecord(name);
        return {r.thresholds[0], r.thresholds[1], r.thresholds[2]};
    }
};

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

TEST(LogIniTokens, EveryForm) {
    const auto got = tokens("[talvo.io] ; note\nerror = -3\nwarn +7 info=* i -* #include x y\n// c\n/x = 5 +  4 *\n");
    const std::vector<std::pair<Kind, std::string>> expected = {
        {Kind::section, "talvo.io"}, {Kind::comment, " note"},  {Kind::error, ""},       {Kind::value, "-3"},
        {Kind::warning, ""},         {Kind::value, "+7"},       {Kind::info, ""},        {Kind::value, "+*"},
        {Kind::info, ""},            {Kind::value, "-*"},       {Kind::directive, "x y"}, {Kind::comment, " c"},
        {Kind::other, ""},           {Kind::value, "5"},        {Kind::value, "+4"},     {Kind::value, "+*"},
    };
    EXPECT_EQ(got, expected);
}

TEST(LogIniTokens, SectionNamesAndEscapes) {
    EXPECT_EQ(tokens("[ \"a\\]b\\tc\" ]\n").at(0).second, "a]b\tc");
    EXPECT_EQ(tokens("['q\\x\\n']\n").at(0).second, "qx\n");
    EXPECT_EQ(tokens("[x\\]y]\n").at(0).second, "x]y");
    EXPECT_EQ(tokens("[\"a]b\"]\n").at(0).second, "a") << "an unescaped ] ends even a quoted name";
    EXPECT_EQ(tokens("[]\n").at(0), (std::pair<Kind, std::string>{Kind::section, ""}));
    EXPECT_EQ(tokens("=x\n").at(0).second, "*");
    EXPECT_EQ(tokens("= - 12\n").at(0).second, "-12");
}

TEST(LogIniTokens, SignedAssignmentIsNotImplemented) {
    std::istringstream in("+ =5\n");
    LogIniToken token;
    try {
        talvo::LogIniTokenizer::next(in, token);
        FAIL() << "expected NOT IMPLEMENTED";
    } catch (const talvo::Exception& e) {
        EXPECT_STREQ(e.what(), "NOT IMPLEMENTED");
    }
}

TEST(LogIniValues, FormsAndClamping) {
    EXPECT_EQ(LogConfig::valueOf("+*"), all);
    EXPECT_EQ(LogConfig::valueOf("x*"), all);
    EXPECT_EQ(LogConfig::valueOf("-*"), -all);
    EXPECT_EQ(LogConfig::valueOf("*"), 0);
    EXPECT_EQ(LogConfig::valueOf("-12"), -12);
    EXPECT_EQ(LogConfig::valueOf("99999999999999999999"), all);
    EXPECT_EQ(LogConfig::valueOf("-99999999999"), std::numeric_limits<std::int32_t>::min());
}

TEST_F(LogSettings, GateOffTurnsEverythingAway) {
    apply("[!]\n-*\n");
    EXPECT_FALSE(talvo::logGate.passes(talvo::LogKind::error, 0));
    EXPECT_FALSE(talvo::logGate.passes(talvo::LogKind::info, 0));
}

TEST_F(LogSettings, WarningSelectorChangesOneThreshold) {
    apply("[sel.a]\nwarning = -3\n");
    EXPECT_EQ(thresholds("sel.a"), (std::vector<std::int32_t>{all, 2, all}));
    EXPECT_EQ(talvo::categoryRecord("sel.a").followsDefaults, 0);
    // A comment between a selector and its value does not separate them.
    apply("[sel.b]\ninfo ; why\n -4\n");
    EXPECT_EQ(thresholds("sel.b"), (std::vector<std::int32_t>{all, all, 3}));
}

TEST_F(LogSettings, SelectorWordsAreLowerCaseOnly) {
    apply("[sel.c]\n-*\nError = 5\n");
    EXPECT_EQ(thresholds("sel.c"), (std::vector<std::int32_t>{5, 5, 5}));
    apply("[sel.d]\n-*\nlevel = 5\n");
    EXPECT_EQ(thresholds("sel.d"), (std::vector<std::int32_t>{5, -1, -1}));
}

TEST_F(LogSettings, RaiseLowerAndZero) {
    apply("[val.a]\n-10\n+3\n");
    EXPECT_EQ(thresholds("val.a"), (std::vector<std::int32_t>{9, 9, 9})) << "+n never narrows";
    apply("[val.b]\n-*\n+3\n-10\n");
    EXPECT_EQ(thresholds("val.b"), (std::vector<std::int32_t>{3, 3, 3})) << "-n never widens";
    apply("[val.c]\n=0\n");
    EXPECT_EQ(thresholds("val.c"), (std::vector<std::int32_t>{0, 0, 0}));
    apply("[val.d]\n=x\n");
    EXPECT_EQ(thresholds("val.d"), (std::vector<std::int32_t>{0, 0, 0}));
}

TEST_F(LogSettings, OverflowingNumbersAreClamped) {
    apply("[big.a]\n-*\n= 99999999999999999999\n");
    EXPECT_EQ(thresholds("big.a"), (std::vector<std::int32_t>{all, all, all}));
    apply("[big.b]\n-99999999999\n-2147483648\n");
    EXPECT_EQ(thresholds("big.b"), (std::vector<std::int32_t>{all, all, all}));
    apply("[big.c]\n-2147483647\n");
    EXPECT_EQ(thresholds("big.c"), (std::vector<std::int32_t>{-1, -1, -1}));
}

TEST_F(LogSettings, DefaultsOverrideEarlierCategories) {
    apply("[def.a]\n+7\nerror -2\n[*]\n-5\n[def.b]\n");
    EXPECT_EQ(thresholds("def.a"), (std::vector<std::int32_t>{4, 4, 4}));
    EXPECT_EQ(talvo::categoryRecord("def.a").followsDefaults, 1);
    EXPECT_EQ(thresholds("def.b"), (std::vector<std::int32_t>{4, 4, 4})) << "new records copy the defaults";
    EXPECT_EQ(talvo::logDefaults.thresholds[2], 4);
}

TEST_F(LogSettings, LastValueWithoutLineBreakIsNotApplied) {
    apply("[end.a]\n-3\n-2");
    EXPECT_EQ(thresholds("end.a"), (std::vector<std::int32_t>{2, 2, 2}));
}

TEST_F(LogSettings, SignedAssignmentStopsButKeepsWhatCameBefore) {
    EXPECT_THROW(apply("[stop.a]\n-3\n+= 1\n-1\n"), talvo::Exception);
    EXPECT_EQ(thresholds("stop.a"), (std::vector<std::int32_t>{2, 2, 2}));
}

}  // namespace
