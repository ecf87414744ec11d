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

std::string locationText(const SourceLocation& location) {
    std::ostringstream out;
    out << location;
    return out.str();
}

TEST(ThrowReport, LocationText) {
    EXPECT_EQ(locationText({"stream.cpp", 61, "talvo::io::Stream::throw_failure_"}),
              "stream.cpp(61) : talvo::io::Stream::throw_failure_ : ");
    EXPECT_EQ(locationText({"", 61, "fn"}), "fn : ");
    EXPECT_EQ(locationText({nullptr, 0, nullptr}), "");
    EXPECT_EQ(locationText({"a.cpp", 0, ""}), "a.cpp(0) : ");
}

TEST(ThrowReport, SwitchOffThrowsACopyAtOnce) {
    ASSERT_EQ(talvo::dialogsOnThrow, 0);
    const talvo::io::Failure failure("bad data");
    try {
        talvo::reportAndThrow(TALVO_SOURCE_LOCATION("test::site"), failure);
    } catch (const talvo::io::Failure& caught) {
        EXPECT_STREQ(caught.what(), "bad data");
        EXPECT_NE(&caught, &failure);
        return;
    }
    FAIL() << "nothing thrown";
}

// A fake box: records what it was shown and answers as told.
struct FakeBox {
    static inline std::string text, title;
    static inline std::uint32_t flags = 0;
    static inline int answer = talvo::box::pressedIgnore;
    static inline int shown = 0;
    static inline int quitTaken = 0, quitPosted = 0, postedCode = 0;
    static inline bool nest = false, throwStd = false, throwOther = false;

    static int show(void*, const char* t, const char* ti, std::uint32_t f) {
        ++shown;
        text = t;
        title = ti;
        flags = f;
        if (throwStd) throw std::runtime_error("box broke");
        if (throwOther) throw 42;
        if (nest) {
            const AssertionChoice inner = talvo::show_assertion_message({"in.cpp", 3, "inner"}, "again");
            EXPECT_EQ(inner, AssertionChoice::ignore);
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
        FakeBox::answer = talvo::box::pressedIgnore;
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
    EXPECT_EQ(FakeBox::flags, talvo::box::abortRetryIgnore | talvo::box::defaultButton2 | talvo::box::iconStop |
                                  talvo::box::setForeground | talvo::box::topmost);
    EXPECT_EQ(FakeBox::quitTaken, 1);
    EXPECT_EQ(FakeBox::quitPosted, 1);
    EXPECT_EQ(FakeBox::postedCode, 7);
    EXPECT_EQ(talvo::assertionNesting(), -1);

    // No file, no line, empty function: the function line stays, as its pointer is set.
    talvo::show_assertion_message({nullptr, 0, ""}, nullptr);
    EXPECT_EQ(FakeBox::text.substr(0, 12), "Function: \n\n");
}

TEST_F(AssertionBox, AnswersMapToChoices) {
    const std::pair<int, AssertionChoice> cases[] = {
        {talvo::box::pressedIgnore, AssertionChoice::ignore},  {talvo::box::pressedContinue, AssertionChoice::ignore},
        {talvo::box::pressedRetry, AssertionChoice::retry},    {talvo::box::pressedTryAgain, AssertionChoice::retry},
        {talvo::box::pressedAbort, AssertionChoice::abort},    {talvo::box::pressedCancel, AssertionChoice::abort},
        {talvo::box::pressedOk, AssertionChoice::abort},       {talvo::box::failed, AssertionChoice::abort},
    };
    for (const auto& [pressed, choice] : cases) {
        FakeBox::answer = pressed;
        EXPECT_EQ(talvo::show_assertion_message({}, "m"), choice) << pressed;
    }
}

TEST_F(AssertionBox, ReportBoxKinds) {
    FakeBox::answer = talvo::box::pressedOk;
    EXPECT_EQ(talvo::report_error("m", "t", 1, nullptr, nullptr), ReportAnswer::other);
    EXPECT_EQ(FakeBox::flags, talvo::box::ok | talvo::box::iconStop | talvo::box::setForeground | talvo::box::topmost);
    EXPECT_EQ(FakeBox::text, "m\n\n");
    FakeBox::answer = talvo::box::pressedRetry;
    EXPECT_EQ(talvo::report_error(nullptr, "t", talvo::reportRetryCancel, nullptr, "d"), ReportAnswer::retry);
    EXPECT_EQ(FakeBox::flags & 0xF, talvo::box::retryCancel);
    EXPECT_EQ(FakeBox::text, "d");
}

TEST_F(AssertionBox, NestedBoxIsNotShown) {
    FakeBox::nest = true;
    FakeBox::answer = talvo::box::pressedRetry;
    EXPECT_EQ(talvo::show_assertion_message({"a.cpp", 1, "outer"}, "first"), AssertionChoice::retry);
    EXPECT_EQ(FakeBox::shown, 1);
    EXPECT_EQ(talvo::assertionNesting(), -1);
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

    // A failure outside the box itself (here: finding the owner) is caught by the assertion box.
    talvo::DialogHooks hooks;
    hooks.activeOwner = []() -> void* { throw std::runtime_error("no window"); };
    hooks.messageBox = &FakeBox::show;
    const talvo::DialogHooks saved = talvo::setDialogHooks(hooks);
    EXPECT_EQ(talvo::show_assertion_message({}, "m"), AssertionChoice::abort);
    EXPECT_EQ(talvo::assertionNesting(), -1);
    talvo::setDialogHooks(saved);
}

TEST_F(AssertionBox, ChoiceToBreak) {
    EXPECT_TRUE(talvo::assertionChoiceToBreak(AssertionChoice::retry));
    EXPECT_FALSE(talvo::assertionChoiceToBreak(AssertionChoice::ignore));
}

// The switch on, answers decide: Abort raises SIGABRT, Retry stops at a breakpoint (SIGTRAP without
// a debugger), Ignore throws.
void throwWithAnswer(int answer) {
    FakeBox::answer = answer;
    talvo::dialogsOnThrow = 1;
    talvo::reportAndThrow(TALVO_SOURCE_LOCATION("test::site"), talvo::Exception("boom"));
}

using AssertionBoxDeathTest = AssertionBox;

TEST_F(AssertionBoxDeathTest, AbortRaisesSigabrt) {
    EXPECT_EXIT(throwWithAnswer(talvo::box::pressedAbort), ::testing::KilledBySignal(SIGABRT), "");
}

TEST_F(AssertionBoxDeathTest, RetryBreaksWithSigtrap) {
    EXPECT_EXIT(throwWithAnswer(talvo::box::pressedRetry), ::testing::KilledBySignal(SIGTRAP), "");
}

TEST_F(AssertionBoxDeathTest, DefaultBoxCannotBeShownSoItAborts) {
    talvo::setDialogHooks({});
    EXPECT_EXIT(throwWithAnswer(talvo::box::pressedIgnore), ::testing::KilledBySignal(SIGABRT), "Assertion failed!");
}

TEST_F(AssertionBox, IgnoreThrows) {
    EXPECT_THROW(throwWithAnswer(talvo::box::pressedIgnore), talvo::Exception);
    talvo::dialogsOnThrow = 0;
    EXPECT_EQ(FakeBox::shown, 1);
}

}  // namespace
