// The throw report, the assertion box through a fake message box, Abort and Retry in children.
#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <stdexcept>
#include <string>

#include "talvo/assertion.h"
#include "talvo/exception.h"
#include "talvo/throw_report.h"

namespace {

using talvo::AssertionChoice;
using talvo::ReportAnswer;
using talvo::SourceLocation;
namespace box = talvo::box;

TEST(ThrowReport, LocationTextAndThrowingACopy) {
    const std::pair<SourceLocation, const char*> cases[] = {
        {{"stream.cpp", 61, "talvo::io::Stream::throw_failure_"}, "stream.cpp(61) : talvo::io::Stream::throw_failure_ : "},
        {{"", 61, "fn"}, "fn : "},
        {{nullptr, 0, nullptr}, ""},
        {{"a.cpp", 0, ""}, "a.cpp(0) : "},
    };
    for (const auto& [location, text] : cases) {
        std::ostringstream out;
        out << location;
        EXPECT_EQ(out.str(), text);
    }
    // With the boxes switched off the report throws a copy at once.
    ASSERT_EQ(talvo::dialogsOnThrow, 0);
    const talvo::io::Failure failure("bad data");
    try {
        talvo::reportAndThrow(TALVO_SOURCE_LOCATION("test::site"), failure);
        FAIL() << "nothing thrown";
    } catch (const talvo::io::Failure& caught) {
        EXPECT_STREQ(caught.what(), "bad data");
        EXPECT_NE(&caught, &failure);
    }
}

// A fake box: records what it was shown and answers as told.
struct FakeBox {
    std::string text, title;
    std::uint32_t flags = 0;
    int answer = box::pressedIgnore;
    int shown = 0, quitTaken = 0, quitPosted = 0, postedCode = 0;
    bool nest = false;
    int throws = 0;  // 1: a std::exception, 2: anything else
} fake;

int showFake(void*, const char* text, const char* title, std::uint32_t flags) {
    ++fake.shown;
    fake.text = text;
    fake.title = title;
    fake.flags = flags;
    if (fake.throws == 1) throw std::runtime_error("box broke");
    if (fake.throws == 2) throw 42;
    if (fake.nest) {
        EXPECT_EQ(talvo::show_assertion_message({"in.cpp", 3, "inner"}, "again"), AssertionChoice::ignore);
        EXPECT_EQ(talvo::assertionNesting(), 0);
    }
    return fake.answer;
}

class AssertionBox : public ::testing::Test {
protected:
    talvo::DialogHooks previous;
    AssertionBox() {
        fake = {};
        talvo::DialogHooks hooks;
        hooks.messageBox = &showFake;
        hooks.takeQuitMessage = [](int* code) { ++fake.quitTaken; *code = 7; return true; };
        hooks.postQuitMessage = [](int code) { ++fake.quitPosted; fake.postedCode = code; };
        previous = talvo::setDialogHooks(hooks);
    }
    ~AssertionBox() override { talvo::setDialogHooks(previous); }
};

TEST_F(AssertionBox, TextTitleButtonsAndQuitMessage) {
    EXPECT_EQ(talvo::show_assertion_message({"src/a.cpp", 12, "ns::f"}, "it broke"), AssertionChoice::ignore);
    EXPECT_EQ(fake.title, "Assertion failed!");
    EXPECT_EQ(fake.text,
              "it broke\n\nFile:     src/a.cpp\nLine:     12\nFunction: ns::f\n\n"
              "Press 'Abort'  to stop program execution\nPress 'Retry'  to debug program\n"
              "Press 'Ignore' to continue program execution\n");
    EXPECT_EQ(fake.flags,
              box::abortRetryIgnore | box::defaultButton2 | box::iconStop | box::setForeground | box::topmost);
    // The pending quit message is taken for the box and put back after it.
    EXPECT_EQ(fake.quitTaken, 1);
    EXPECT_EQ(fake.quitPosted, 1);
    EXPECT_EQ(fake.postedCode, 7);
    EXPECT_EQ(talvo::assertionNesting(), -1);

    // No file, no line, empty function: the function line stays, as its pointer is set.
    talvo::show_assertion_message({nullptr, 0, ""}, nullptr);
    EXPECT_EQ(fake.text.substr(0, 12), "Function: \n\n");

    // A box opened from inside the box is not shown.
    fake.nest = true;
    fake.answer = box::pressedRetry;
    EXPECT_EQ(talvo::show_assertion_message({"a.cpp", 1, "outer"}, "first"), AssertionChoice::retry);
    EXPECT_EQ(fake.shown, 3);
    EXPECT_EQ(talvo::assertionNesting(), -1);
}

TEST_F(AssertionBox, AnswersMapToChoicesAndReportBoxKinds) {
    const std::pair<int, AssertionChoice> cases[] = {
        {box::pressedIgnore, AssertionChoice::ignore}, {box::pressedContinue, AssertionChoice::ignore},
        {box::pressedRetry, AssertionChoice::retry},   {box::pressedTryAgain, AssertionChoice::retry},
        {box::pressedAbort, AssertionChoice::abort},   {box::pressedCancel, AssertionChoice::abort},
        {box::pressedOk, AssertionChoice::abort},      {box::failed, AssertionChoice::abort},
    };
    for (const auto& [pressed, choice] : cases) {
        fake.answer = pressed;
        EXPECT_EQ(talvo::show_assertion_message({}, "m"), choice) << pressed;
    }

    fake.answer = box::pressedOk;
    EXPECT_EQ(talvo::report_error("m", "t", 1, nullptr, nullptr), ReportAnswer::other);
    EXPECT_EQ(fake.flags, box::ok | box::iconStop | box::setForeground | box::topmost);
    EXPECT_EQ(fake.text, "m\n\n");
    fake.answer = box::pressedRetry;
    EXPECT_EQ(talvo::report_error(nullptr, "t", talvo::reportRetryCancel, nullptr, "d"), ReportAnswer::retry);
    EXPECT_EQ(fake.flags & 0xF, box::retryCancel);
    EXPECT_EQ(fake.text, "d");
}

TEST_F(AssertionBox, ThrowingBoxCountsAsAbortAndRestoresState) {
    fake.throws = 1;
    EXPECT_EQ(talvo::report_error("m", "t", 7, nullptr, nullptr), ReportAnswer::abort);
    EXPECT_EQ(talvo::show_assertion_message({}, "m"), AssertionChoice::abort);
    fake.throws = 2;
    EXPECT_EQ(talvo::show_assertion_message({}, "m"), AssertionChoice::abort);
    EXPECT_EQ(talvo::assertionNesting(), -1);
    EXPECT_EQ(fake.quitPosted, fake.quitTaken);

    // A failure outside the box itself (here: finding the owner) is caught as well.
    talvo::DialogHooks hooks;
    hooks.activeOwner = []() -> void* { throw std::runtime_error("no window"); };
    hooks.messageBox = &showFake;
    talvo::setDialogHooks(hooks);
    EXPECT_EQ(talvo::show_assertion_message({}, "m"), AssertionChoice::abort);
    EXPECT_EQ(talvo::assertionNesting(), -1);
}

// The switch on, answers decide: Abort raises SIGABRT, Retry stops at a breakpoint (SIGTRAP without
// a debugger), Ignore throws.
void throwWithAnswer(int answer) {
    fake.answer = answer;
    talvo::dialogsOnThrow = 1;
    talvo::reportAndThrow(TALVO_SOURCE_LOCATION("test::site"), talvo::Exception("boom"));
}

using AssertionBoxDeathTest = AssertionBox;

TEST_F(AssertionBoxDeathTest, AbortRetryAndTheDefaultBox) {
    EXPECT_EXIT(throwWithAnswer(box::pressedAbort), ::testing::KilledBySignal(SIGABRT), "");
    EXPECT_EXIT(throwWithAnswer(box::pressedRetry), ::testing::KilledBySignal(SIGTRAP), "");
    EXPECT_EXIT(
        {
            talvo::setDialogHooks({});  // writes the text to stderr and answers as a box not shown
            throwWithAnswer(box::pressedIgnore);
        },
        ::testing::KilledBySignal(SIGABRT), "Assertion failed!");
}

TEST_F(AssertionBox, IgnoreThrows) {
    EXPECT_THROW(throwWithAnswer(box::pressedIgnore), talvo::Exception);
    talvo::dialogsOnThrow = 0;
    EXPECT_EQ(fake.shown, 1);
}

}  // namespace
