// MemBuf: reading a handed-over block, growth, seeks, and a random run against a plain model.
#include "talvo/mem_buf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ios>
#include <string>
#include <vector>

namespace {

using talvo::io::MemBuf;
using std::ios_base;

constexpr auto eof = std::char_traits<char>::eof();

char* heapCopy(const std::string& bytes)
{
    auto* block = static_cast<char*>(std::malloc(bytes.size() == 0 ? 1 : bytes.size()));
    std::memcpy(block, bytes.data(), bytes.size());
    return block;
}

std::string hundredBytes()
{
    std::string bytes;
    for (int i = 0; i < 100; ++i)
        bytes.push_back(static_cast<char>(i * 7 + 3));
    return bytes;
}

std::string readAll(MemBuf& buf)
{
    std::string out;
    for (auto c = buf.sbumpc(); c != eof; c = buf.sbumpc())
        out.push_back(static_cast<char>(c));
    return out;
}

TEST(MemBuf, ReadsAHandedOverBlockThenEndOfFile)
{
    MemBuf buf;
    const std::string bytes = hundredBytes();
    buf.set(heapCopy(bytes), 100, 100);
    EXPECT_EQ(readAll(buf), bytes);
    EXPECT_EQ(buf.sgetc(), eof);

    EXPECT_EQ(buf.pubseekoff(-10, ios_base::end, ios_base::in), 90);
    EXPECT_EQ(readAll(buf), bytes.substr(90));
}

TEST(MemBuf, SetReplacesTheHeldBlock)
{
    MemBuf buf;
    buf.set(heapCopy("first"), 5, 5);
    buf.set(heapCopy("second"), 6, 6);  // the first block is freed (the leak checker watches)
    EXPECT_EQ(readAll(buf), "second");
}

TEST(MemBuf, GrowsGeometricallyFrom4096)
{
    MemBuf buf;
    EXPECT_EQ(buf.capacity(), 0u);
    EXPECT_EQ(buf.sputc('a'), 'a');
    EXPECT_EQ(buf.capacity(), 4096u);

    std::string written = "a";
    for (int i = 1; i < 4096; ++i) {
        written.push_back(static_cast<char>('a' + i % 26));
        buf.sputc(written.back());
    }
    EXPECT_EQ(buf.capacity(), 4096u);
    buf.sputc('z');  // byte 4097
    written.push_back('z');
    EXPECT_EQ(buf.capacity(), 8192u);

    // Everything written is readable, from the start, and nothing behind it.
    EXPECT_EQ(readAll(buf), written);
}

struct OverflowProbe : MemBuf {
    int_type overflowWith(int_type c) { return overflow(c); }
};

TEST(MemBuf, OverflowWithEndOfFileChangesNothing)
{
    OverflowProbe buf;
    buf.sputn("xyz", 3);
    const auto capacity = buf.capacity();
    EXPECT_EQ(buf.overflowWith(eof), eof);
    EXPECT_EQ(buf.capacity(), capacity);
    EXPECT_EQ(readAll(buf), "xyz");
}

TEST(MemBuf, SeekFromCurrentWithBothSidesMovesOnlyTheGetPosition)
{
    MemBuf buf;
    buf.sputn("0123456789", 10);
    EXPECT_EQ(buf.pubseekoff(4, ios_base::cur, ios_base::in | ios_base::out), 4);
    EXPECT_EQ(buf.sgetc(), '4');
    // The put position stayed behind the tenth byte.
    EXPECT_EQ(buf.pubseekoff(0, ios_base::cur, ios_base::out), 10);
}

TEST(MemBuf, RefusedSeeksAnswerMinusOneAndChangeNothing)
{
    MemBuf buf;
    buf.set(heapCopy(hundredBytes()), 100, 100);
    buf.pubseekpos(30, ios_base::in);

    const std::streampos failed(std::streamoff(-1));
    EXPECT_EQ(buf.pubseekpos(std::streampos(std::streamoff(-1)), ios_base::in), failed);
    EXPECT_EQ(buf.pubseekoff(-31, ios_base::cur, ios_base::in), failed);
    EXPECT_EQ(buf.pubseekpos(101, ios_base::in), failed);
    EXPECT_EQ(buf.pubseekoff(1, ios_base::end, ios_base::in | ios_base::out), failed);
    EXPECT_EQ(buf.pubseekoff(0, ios_base::cur, ios_base::in), 30);
    EXPECT_EQ(buf.pubseekpos(100, ios_base::in), 100);  // the end itself is a position
    EXPECT_EQ(buf.sgetc(), eof);
}

TEST(MemBuf, SeekBeyondWrittenBytesIsRefusedInAGrownBlock)
{
    MemBuf buf;
    buf.sputn("abc", 3);  // capacity 4096, three readable bytes
    const std::streampos failed(std::streamoff(-1));
    EXPECT_EQ(buf.pubseekoff(0, ios_base::end, ios_base::in), failed);
    EXPECT_EQ(buf.pubseekpos(4, ios_base::out), failed);
    EXPECT_EQ(buf.pubseekpos(3, ios_base::out), 3);
    EXPECT_EQ(buf.pubseekpos(0, ios_base::out), 0);
    buf.sputc('X');  // overwrites; the bytes behind stay readable
    EXPECT_EQ(readAll(buf), "Xbc");
}

TEST(MemBuf, EmptyBufferReadsNothingAndSeeksOnlyToZero)
{
    MemBuf buf;
    EXPECT_EQ(buf.sgetc(), eof);
    EXPECT_EQ(buf.pubseekpos(0, ios_base::in | ios_base::out), 0);
    EXPECT_EQ(buf.pubseekpos(1, ios_base::in), std::streampos(std::streamoff(-1)));
    EXPECT_EQ(buf.pubseekoff(0, ios_base::end, ios_base::in), 0);
}

// A plain model of the buffer: readable bytes, both positions and the capacity.
struct Model {
    std::string bytes;  // the readable bytes
    std::int64_t get = 0;
    std::int64_t put = 0;
    std::int64_t capacity = 0;

    int write(char c)
    {
        if (put == capacity)
            capacity = std::max<std::int64_t>(capacity * 2, 4096);
        if (put == static_cast<std::int64_t>(bytes.size()))
            bytes.push_back(c);
        else
            bytes[static_cast<std::size_t>(put)] = c;
        ++put;
        return static_cast<unsigned char>(c);
    }
    int read()
    {
        if (get >= static_cast<std::int64_t>(bytes.size()))
            return eof;
        return static_cast<unsigned char>(bytes[static_cast<std::size_t>(get++)]);
    }
    std::int64_t seek(std::int64_t target, bool in, bool out)
    {
        if (target < 0 || target > static_cast<std::int64_t>(bytes.size()))
            return -1;
        if (in)
            get = target;
        if (out)
            put = target;
        return target;
    }
};

// Small generator of our own so that a seed means the same run everywhere.
struct Rng {
    std::uint64_t state;
    std::uint32_t next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state >> 33);
    }
    std::uint32_t below(std::uint32_t n) { return next() % n; }
};

void runAgainstModel(std::uint64_t seed)
{
    SCOPED_TRACE("seed " + std::to_string(seed));
    MemBuf buf;
    Model model;
    Rng rng{seed};
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        switch (rng.below(6)) {
        case 0:
        case 1: {
            const int count = 1 + static_cast<int>(rng.below(rng.below(8) == 0 ? 3000 : 20));
            for (int i = 0; i < count; ++i) {
                const char c = static_cast<char>(rng.below(256));
                ASSERT_EQ(buf.sputc(c), model.write(c));
            }
            break;
        }
        case 2: {
            const int count = 1 + static_cast<int>(rng.below(40));
            for (int i = 0; i < count; ++i)
                ASSERT_EQ(buf.sbumpc(), model.read());
            break;
        }
        case 3: {
            const std::int64_t target =
                static_cast<std::int64_t>(rng.below(static_cast<std::uint32_t>(model.bytes.size() + 20))) - 10;
            const std::uint32_t side = 1 + rng.below(3);
            const bool in = side & 1, out = side & 2;
            const auto mode = (in ? ios_base::in : ios_base::openmode{}) |
                              (out ? ios_base::out : ios_base::openmode{});
            ASSERT_EQ(std::streamoff(buf.pubseekpos(target, mode)), model.seek(target, in, out));
            break;
        }
        case 4: {
            const std::int64_t offset = static_cast<std::int64_t>(rng.below(60)) - 30;
            const bool in = rng.below(2) == 0;
            const std::int64_t from = in ? model.get : model.put;
            ASSERT_EQ(std::streamoff(buf.pubseekoff(offset, ios_base::cur, in ? ios_base::in : ios_base::out)),
                      model.seek(from + offset, in, !in));
            break;
        }
        default: {
            const std::int64_t offset = -static_cast<std::int64_t>(rng.below(100));
            ASSERT_EQ(std::streamoff(buf.pubseekoff(offset, ios_base::end, ios_base::in)),
                      model.seek(model.capacity + offset, true, false));
            break;
        }
        }
        ASSERT_EQ(static_cast<std::int64_t>(buf.capacity()), model.capacity);
    }
}

TEST(MemBuf, RandomOperationsAgreeWithTheModel)
{
    for (std::uint64_t seed = 1; seed <= 40; ++seed)
        runAgainstModel(seed);
}

}  // namespace
