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
    static inline std::string text, title;
    static inline std::uint32_t flags = 0;
    static inline int answer = box::pressedIgnore;
    static inline int shown = 0, quitTaken = 0, quitPosted = 0, postedCode = 0;
    static inline bool nest = false, throwStd = false, throwOther = false;

    static int show(void*, const char* t, const char* ti, std::uint32_t f) {
        ++shown;
        text = t;
        title = ti;
        flags = f;
        if (throwStd) throw std::runtime_error("box broke");
        if (throwOther) throw 42;
        if (nest) {
            EXPECT_EQ(talvo::show_assertion_message({"in.cpp", 3, "inner"}, "again"), AssertionChoice::ignore);
            EXPECT_EQ(talvo::assertionNesting(), 0);
        }
        return answer;
    }
    static bool takeQuit(int* code) {
        ++quitTaken;
        *code = 7;
        return true;
    }
    static void postQuit(int code) {
        ++quitPosted;
        postedCode = code;
    }
};

class AssertionBox : public ::testing::Test {
protected:
    talvo::DialogHooks previous;
    AssertionBox() {
        FakeBox::shown = FakeBox::quitTaken = FakeBox::quitPosted = FakeBox::postedCode = 0;
        FakeBox::nest = FakeBox::throwStd = FakeBox::throwOther = false;
        FakeBox::answer = box::pressedIgnore;
        talvo::DialogHooks hooks;
        hooks.messageBox = &FakeBox::show;
        hooks.takeQuitMessage = &FakeBox::takeQuit;
        hooks.postQuitMessage = &FakeBox::postQuit;
        previous = talvo::setDialogHooks(hooks);
    }
    ~AssertionBox() override { talvo::setDialogHooks(previous); }
};

TEST_F(AssertionBox, TextTitleButtonsAndQuitMessage) {
    EXPECT_EQ(talvo::show_assertion_message({"src/a.cpp", 12, "ns::f"}, "it broke"), AssertionChoice::ignore);
    EXPECT_EQ(FakeBox::title, "Assertion failed!");
    EXPECT_EQ(FakeBox::text,
              "it broke\n\nFile:     src/a.cpp\nLine:     12\nFunction: ns::f\n\n"
              "Press 'Abort'  to stop program execution\nPress 'Retry'  to debug program\n"
              "Press 'Ignore' to continue program execution\n");
    EXPECT_EQ(FakeBox::flags,
              box::abortRetryIgnore | box::defaultButton2 | box::iconStop | box::setForeground | box::topmost);
    // The pending quit message is taken for the box and put back after it.
    EXPECT_EQ(FakeBox::quitTaken, 1);
    EXPECT_EQ(FakeBox::quitPosted, 1);
    EXPECT_EQ(FakeBox::postedCode, 7);
    EXPECT_EQ(talvo::assertionNesting(), -1);

    // No file, no line, empty function: the function line stays, as its pointer is set.
    talvo::show_assertion_message({nullptr, 0, ""}, nullptr);
    EXPECT_EQ(FakeBox::text.substr(0, 12), "Function: \n\n");

    // A box opened from inside the box is not shown.
    FakeBox::nest = true;
    FakeBox::answer = box::pressedRetry;
    EXPECT_EQ(talvo::show_assertion_message({"a.cpp", 1, "outer"}, "first"), AssertionChoice::retry);
    EXPECT_EQ(FakeBox::shown, 3);
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
        FakeBox::answer = pressed;
        EXPECT_EQ(talvo::show_assertion_message({}, "m"), choice) << pressed;
    }

    FakeBox::answer = box::pressedOk;
    EXPECT_EQ(talvo::report_error("m", "t", 1, nullptr, nullptr), ReportAnswer::other);
    EXPECT_EQ(FakeBox::flags, box::ok | box::iconStop | box::setForeground | box::topmost);
    EXPECT_EQ(FakeBox::text, "m\n\n");
    FakeBox::answer = box::pressedRetry;
    EXPECT_EQ(talvo::report_error(nullptr, "t", talvo::reportRetryCancel, nullptr, "d"), ReportAnswer::retry);
    EXPECT_EQ(FakeBox::flags & 0xF, box::retryCancel);
    EXPECT_EQ(FakeBox::text, "d");
}

TEST_F(AssertionBox, ThrowingBoxCountsAsAbortAndRestoresState) {
    FakeBox::throwStd = true;
    EXPECT_EQ(talvo::report_error("m", "t", 7, nullptr, nullptr), ReportAnswer::abort);
    EXPECT_EQ(talvo::show_assertion_message({}, "m"), AssertionChoice::abort);
    FakeBox::throwStd = false;
    FakeBox::throwOther = true;
    EXPECT_EQ(talvo::show_assertion_message({}, "m"), AssertionChoice::abort);
    EXPECT_EQ(talvo::assertionNesting(), -1);
    EXPECT_EQ(FakeBox::quitPosted, FakeBox::quitTaken);

    // A failure outside the box itself (here: finding the owner) is caught as well.
    talvo::DialogHooks hooks;
    hooks.activeOwner = []() -> void* { throw std::runtime_error("no window"); };
    hooks.messageBox = &FakeBox::show;
    talvo::setDialogHooks(hooks);
    EXPECT_EQ(talvo::show_assertion_message({}, "m"), AssertionChoice::abort);
    EXPECT_EQ(talvo::assertionNesting(), -1);
}

// The switch on, answers decide: Abort raises SIGABRT, Retry stops at a breakpoint (SIGTRAP without
// a debugger), Ignore throws.
void throwWithAnswer(int answer) {
    FakeBox::answer = answer;
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
    EXPECT_EQ(FakeBox::shown, 1);
}

}  // namespace
