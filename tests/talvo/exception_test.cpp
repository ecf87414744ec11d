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

std::string describe(const ErrorInfo& info) {
    std::string buffer(4096, '#');
    const std::size_t n = info.describe(buffer.data(), buffer.size());
    EXPECT_EQ(n, std::strlen(buffer.c_str()));
    return buffer.substr(0, n);
}

TEST(ExceptionMessage, CutAt2047AndDefaults) {
    EXPECT_EQ(std::string(Exception(std::string(3000, 'x').c_str()).what()), std::string(2047, 'x'));
    // A copy (as thrown) keeps the whole message and the dynamic type.
    const std::string exact(2047, 'q');
    try {
        throw Failure(exact.c_str());
    } catch (const Exception& caught) {
        EXPECT_EQ(std::string(caught.what()), exact);
        EXPECT_NE(dynamic_cast<const Failure*>(&caught), nullptr);
    }
    // An empty message reports the readable type name, the same pointer every time.
    const Exception empty("");
    EXPECT_STREQ(empty.what(), "class talvo::Exception");
    EXPECT_EQ(empty.what(), empty.what());
    EXPECT_STREQ(Exception(static_cast<const char*>(nullptr)).what(), "class talvo::Exception");
    EXPECT_STREQ(Failure(static_cast<const char*>(nullptr)).what(), "i/o error");
    EXPECT_STREQ(Failure("").what(), "i/o error");
    EXPECT_EQ(talvo::readableTypeName(typeid(Failure)), "class talvo::io::Failure");
    try {
        talvo::throwNotImplemented("NOT IMPLEMENTED");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "NOT IMPLEMENTED");
    }
}

TEST(ErrorDetailChain, OwnTextThenNestedThenName) {
    const TextualErrorInfo text("i/o error");
    const ErrorInfo outer("Data/scores.dat", &text);
    EXPECT_EQ(describe(outer), "i/o error ('Data/scores.dat')");
    EXPECT_STREQ(Failure(outer).what(), "i/o error ('Data/scores.dat')");
    EXPECT_EQ(describe(ErrorInfo()), "");
    EXPECT_EQ(describe(ErrorInfo("", &text)), "i/o error");

    const TextualErrorInfo cause("inner", "a.bin");
    const TextualErrorInfo wrapper("outer:", "b.bin", &cause);
    const std::string full = describe(wrapper);
    EXPECT_EQ(full, "outer:inner ('a.bin') ('b.bin')");
    // Every buffer size gets a terminated prefix and nothing past it.
    for (std::size_t size = 1; size <= full.size() + 2; ++size) {
        std::string buffer(size + 8, '#');
        const std::size_t n = wrapper.describe(buffer.data(), size);
        ASSERT_LT(n, size);
        EXPECT_EQ(buffer[n], '\0');
        EXPECT_EQ(buffer.substr(size), std::string(8, '#')) << "wrote past size " << size;
        EXPECT_EQ(buffer.substr(0, n), full.substr(0, n));
    }
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
    missing.clear();
    EXPECT_EQ(describe(missing), "no error");

    const std::string unknown = describe(SystemErrorInfo(99999));
    EXPECT_FALSE(unknown.empty());
    EXPECT_NE(unknown.back(), '\n');
    SystemErrorInfo named(ENOENT);
    named.setSourceName("x.dat");
    EXPECT_EQ(describe(named), std::string(std::strerror(ENOENT)) + " ('x.dat')");
}

TEST(ErrorDetailChain, ZipErrorAndStreamInsertion) {
    const talvo::io::ZipError data(Z_DATA_ERROR, "pack.rw");
    EXPECT_EQ(describe(data), std::string(": ") + zError(Z_DATA_ERROR) + " ('pack.rw')");
    EXPECT_EQ(describe(talvo::io::ZipError(-1000)), ": unknown zlib error");
    std::ostringstream out;
    out << data;
    EXPECT_EQ(out.str(), describe(data));
}

}  // namespace
