// Exceptions, the error-detail chain and readable type names.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <string>

#include "talvo/error_info.h"
#include "talvo/exception.h"
#include "talvo/type_name.h"

namespace {

using talvo::ErrorInfo;
using talvo::Exception;
using talvo::SystemErrorInfo;
using talvo::TextualErrorInfo;
using talvo::io::Failure;

std::string describe(const ErrorInfo& info, std::size_t size = 4096) {
    std::string buffer(size, '#');
    const std::size_t n = info.describe(buffer.data(), size);
    EXPECT_EQ(n, std::strlen(buffer.c_str()));
    return buffer.substr(0, n);
}

TEST(ExceptionMessage, CutAt2047AndTerminated) {
    const std::string long_text(3000, 'x');
    const Exception e(long_text.c_str());
    EXPECT_EQ(std::string(e.what()), std::string(2047, 'x'));

    std::string exact(2047, 'y');
    EXPECT_EQ(std::string(Exception(exact.c_str()).what()), exact);
}

TEST(ExceptionMessage, EmptyReportsTypeNameOnce) {
    const Exception e("");
    const char* first = e.what();
    EXPECT_STREQ(first, "class talvo::Exception");
    EXPECT_EQ(e.what(), first);
    EXPECT_STREQ(Exception(static_cast<const char*>(nullptr)).what(), "class talvo::Exception");

    struct Local : Exception {};
    EXPECT_NE(std::string(Local{}.what()).find("class "), std::string::npos);
}

TEST(ExceptionMessage, FailureDefaultsToIoError) {
    EXPECT_STREQ(Failure(static_cast<const char*>(nullptr)).what(), "i/o error");
    EXPECT_STREQ(Failure("").what(), "i/o error");
    EXPECT_STREQ(Failure("bad").what(), "bad");
    EXPECT_EQ(talvo::readableTypeName(typeid(Failure)), "class talvo::io::Failure");
}

TEST(ExceptionMessage, CopyKeepsWholeMessageAndThrowNotImplemented) {
    const std::string text(2047, 'q');
    const Failure original(text.c_str());
    try {
        throw original;
    } catch (const Exception& caught) {
        EXPECT_EQ(std::string(caught.what()), text);
        EXPECT_NE(dynamic_cast<const Failure*>(&caught), nullptr);
    }
    try {
        talvo::throwNotImplemented("NOT IMPLEMENTED");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "NOT IMPLEMENTED");
    }
}

TEST(ErrorDetailChain, NestedTextThenSourceName) {
    const TextualErrorInfo text("i/o error");
    const ErrorInfo outer("Data/scores.dat", &text);
    EXPECT_EQ(describe(outer), "i/o error ('Data/scores.dat')");
    EXPECT_STREQ(Failure(outer).what(), "i/o error ('Data/scores.dat')");

    // Own text first, then the nested detail, then the own name.
    const TextualErrorInfo cause("inner", "a.bin");
    const TextualErrorInfo wrapper("outer:", "b.bin", &cause);
    EXPECT_EQ(describe(wrapper), "outer:inner ('a.bin') ('b.bin')");

    const ErrorInfo bare;
    EXPECT_EQ(describe(bare), "");
    const ErrorInfo emptyName("", &text);
    EXPECT_EQ(describe(emptyName), "i/o error");
}

TEST(ErrorDetailChain, CutsAtEverySize) {
    const TextualErrorInfo cause("inner", "a.bin");
    const TextualErrorInfo wrapper("outer:", "b.bin", &cause);
    const std::string full = describe(wrapper);
    for (std::size_t size = 1; size <= full.size() + 2; ++size) {
        std::string buffer(size + 8, '#');
        const std::size_t n = wrapper.describe(buffer.data(), size);
        ASSERT_LT(n, size);
        EXPECT_EQ(buffer[n], '\0');
        EXPECT_EQ(buffer.substr(size, 8), std::string(8, '#')) << "wrote past size " << size;
        EXPECT_EQ(buffer.substr(0, n), full.substr(0, n));
    }
    char c = 'z';
    EXPECT_EQ(wrapper.describe(&c, 0), 0u);
    EXPECT_EQ(c, 'z');
    EXPECT_EQ(wrapper.describe(nullptr, 10), 0u);
}

TEST(ErrorDetailChain, SystemDetailTakesErrnoAtConstruction) {
    errno = ENOENT;
    SystemErrorInfo missing;
    errno = EACCES;
    EXPECT_EQ(missing.code(), static_cast<std::uint32_t>(ENOENT));
    EXPECT_EQ(describe(missing), std::strerror(ENOENT));

    missing.set();
    EXPECT_EQ(missing.code(), static_cast<std::uint32_t>(EACCES));
    missing.set(EISDIR);
    EXPECT_EQ(missing.code(), static_cast<std::uint32_t>(EISDIR));
    missing.clear();
    EXPECT_EQ(describe(missing), "no error");

    SystemErrorInfo unknown(99999);
    const std::string text = describe(unknown);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');

    SystemErrorInfo named(ENOENT);
    named.setSourceName("x.dat");
    EXPECT_EQ(describe(named), std::string(std::strerror(ENOENT)) + " ('x.dat')");
}

TEST(ErrorDetailChain, ZipErrorAndStreamInsertion) {
    const talvo::io::ZipError data(Z_DATA_ERROR, "pack.rw");
    EXPECT_EQ(describe(data), std::string(": ") + zError(Z_DATA_ERROR) + " ('pack.rw')");
    EXPECT_EQ(describe(talvo::io::ZipError(-1000)), ": unknown zlib error");
    EXPECT_EQ(describe(talvo::io::ZipError(1000)), ": unknown zlib error");

    std::ostringstream out;
    out << data;
    EXPECT_EQ(out.str(), describe(data));
}

}  // namespace
