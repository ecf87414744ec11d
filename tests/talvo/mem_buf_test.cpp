// MemBuf: a handed-over block, skipping writes, and random runs of writes, reads and seeks against a plain model.
#include "talvo/mem_buf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ios>
#include <string>

#include "test_support.h"
#include "tests/support/seeded_rng.h"

namespace {

using std::ios_base;
using talvo::io::MemBuf;
using talvotest::drain;
using talvotest::heapCopy;
constexpr auto eof = std::char_traits<char>::eof();

struct OverflowProbe : MemBuf {
    int_type overflowWith(int_type c) { return overflow(c); }
};

TEST(MemBuf, HandedOverBlocksOverflowAndSeeksOnBothSides) {
    OverflowProbe buf;
    buf.set(heapCopy("first"), 5, 5);
    buf.set(heapCopy("0123456789"), 10, 10);  // the first block is freed (the leak checker watches)
    EXPECT_EQ(drain(buf), "0123456789");
    EXPECT_EQ(buf.pubseekoff(-3, ios_base::end, ios_base::in), 7);
    EXPECT_EQ(drain(buf), "789");
    EXPECT_EQ(buf.overflowWith(eof), eof);
    EXPECT_EQ(buf.capacity(), 10u);

    // A relative seek of both sides moves only the get position.
    EXPECT_EQ(buf.pubseekpos(0, ios_base::in), 0);
    EXPECT_EQ(buf.pubseekoff(4, ios_base::cur, ios_base::in | ios_base::out), 4);
    EXPECT_EQ(buf.sgetc(), '4');
    EXPECT_EQ(buf.pubseekoff(0, ios_base::cur, ios_base::out), 10);

    // The write position may pass the written end (from the end too); reads stop where writing did.
    MemBuf grown;
    grown.sputn("abc", 3);
    EXPECT_EQ(grown.pubseekpos(5, ios_base::in), -1);
    EXPECT_EQ(grown.pubseekoff(-1, ios_base::end, ios_base::out), 4095);
    grown.sputc('z');
    EXPECT_EQ(grown.pubseekpos(4097, ios_base::in), -1);
    EXPECT_EQ(grown.pubseekpos(0, ios_base::in), 0);
    EXPECT_EQ(drain(grown), "abc" + std::string(4092, '\0') + "z");
}

// A plain model of the buffer: readable bytes, both positions and the capacity.
struct Model {
    std::string bytes;
    std::int64_t get = 0, put = 0, capacity = 0;

    int write(char c) {
        if (put == capacity) capacity = std::max<std::int64_t>(capacity * 2, 4096);
        if (put == static_cast<std::int64_t>(bytes.size())) bytes.push_back(c);
        else bytes[static_cast<std::size_t>(put)] = c;
        ++put;
        return static_cast<unsigned char>(c);
    }
    int read() {
        if (get >= static_cast<std::int64_t>(bytes.size())) return eof;
        return static_cast<unsigned char>(bytes[static_cast<std::size_t>(get++)]);
    }
    // Reading up to the readable end; writing up to the capacity, the bytes skipped reading as zeros.
    std::int64_t seek(std::int64_t target, bool in, bool out) {
        if (target < 0 || target > (out ? capacity : static_cast<std::int64_t>(bytes.size()))) return -1;
        if (out && target > static_cast<std::int64_t>(bytes.size())) bytes.resize(static_cast<std::size_t>(target));
        if (in) get = target;
        if (out) put = target;
        return target;
    }
};

void runAgainstModel(std::uint64_t seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    MemBuf buf;
    Model model;
    SeededRng rng{seed};
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const std::uint32_t op = rng.below(6);
        // Writing at the block's end doubles it: skip there only while the block is small.
        const bool small = model.capacity < (1 << 16);
        if (op <= 1) {  // writes, now and then long ones that grow the block
            const std::uint32_t count = 1 + rng.below(rng.below(8) == 0 ? 3000 : 20);
            for (std::uint32_t i = 0; i < count; ++i) {
                const char c = static_cast<char>(rng.below(256));
                ASSERT_EQ(buf.sputc(c), model.write(c));
            }
        } else if (op == 2) {
            for (std::uint32_t i = 0, count = 1 + rng.below(40); i < count; ++i) ASSERT_EQ(buf.sbumpc(), model.read());
        } else if (op == 3) {
            const std::int64_t span = rng.below(2) == 0 || !small ? std::int64_t(model.bytes.size()) : model.capacity;
            const std::int64_t target = std::int64_t(rng.below(std::uint32_t(span + 20))) - 10;
            const std::uint32_t side = 1 + rng.below(3);
            const auto mode = ((side & 1) ? ios_base::in : ios_base::openmode{}) |
                              ((side & 2) ? ios_base::out : ios_base::openmode{});
            ASSERT_EQ(std::streamoff(buf.pubseekpos(target, mode)), model.seek(target, side & 1, side & 2));
        } else if (op == 4) {
            const std::int64_t offset = std::int64_t(rng.below(60)) - 30;
            const bool in = rng.below(2) == 0;
            ASSERT_EQ(std::streamoff(buf.pubseekoff(offset, ios_base::cur, in ? ios_base::in : ios_base::out)),
                      model.seek((in ? model.get : model.put) + offset, in, !in));
        } else {
            const std::int64_t offset = -std::int64_t(rng.below(100));
            const bool in = rng.below(2) == 0 || !small;
            ASSERT_EQ(std::streamoff(buf.pubseekoff(offset, ios_base::end, in ? ios_base::in : ios_base::out)),
                      model.seek(model.capacity + offset, in, !in));
        }
        ASSERT_EQ(static_cast<std::int64_t>(buf.capacity()), model.capacity);
    }
}

TEST(MemBuf, RandomOperationsAgreeWithTheModel) {
    for (std::uint64_t seed = 1; seed <= 40; ++seed) runAgainstModel(seed);
}

}  // namespace
