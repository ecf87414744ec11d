// The dispatch table: every destination and source kind under the seven operations gives "NOT
// IMPLEMENTED" (before any lock, through the drawing calls, leaking nothing), nothing, or pixels; and a
// user's own operation reaches its format entry through Image::apply.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "img/image_context.h"
#include "img/image_row.h"
#include "img/palette.h"
#include "img_test_support.h"
#include "talvo/exception.h"

namespace {

using namespace talvo::g;

constexpr PelFmtId palettedKind = 13;  // kinds 0 to 12 are format ids (12: beyond the table)

struct Pixels {
    std::vector<std::uint8_t> bytes;
};

// A 4 x 4 image over 4 bytes per pixel whatever its format, counting its locks.
class SpyImage : private Pixels, public ImageRow {
public:
    SpyImage(PelFmtId kind, Palette* palette, std::uint8_t fill)
        : Pixels{std::vector<std::uint8_t>(64, fill)},
          ImageRow(4, 4, kind == palettedKind ? PelFmt(9, palette) : PelFmt(kind), Pixels::bytes.data(), 16) {}
    void lock(Lock& lock, const Rect* rect, std::uint32_t mode) override {
        ++locks;
        ImageRow::lock(lock, rect, mode);
    }
    [[nodiscard]] const std::vector<std::uint8_t>& memory() const { return Pixels::bytes; }
    int locks = 0;
};

// What an operation does for a destination and source kind: 'N' "NOT IMPLEMENTED", '-' nothing, 'P' pixels.
char expected(int op, PelFmtId d, PelFmtId s) {
    const bool dDirect = d >= 1 && d <= 8, sDirect = s >= 1 && s <= 8;
    const bool dIndexed = d == palettedKind || d == 9;
    const bool dRaising = dIndexed || d == 10 || d == 11;
    if (op >= 3) return dDirect ? 'P' : dRaising ? 'N' : '-';  // fill and lines
    if (op == 2 && dRaising) return 'N';                      // constant alpha
    if (dIndexed) return s == 9 || s == palettedKind ? 'P' : '-';
    if (!dDirect) return '-';
    if (sDirect || s == palettedKind) return 'P';
    return s >= 9 && s <= 11 ? 'N' : '-';
}

TEST(Dispatch, EveryKindUnderTheSevenOperations) {
    const std::vector<std::uint8_t> entries(256 * 4, 0xDA);
    Palette palette;
    palette.set(entries.data(), 256);
    const std::function<void(Image&, Image&)> ops[] = {
        [](Image& d, Image& s) { d.blit(0, 0, s); },
        [](Image& d, Image& s) { d.draw(1, 0, s); },
        [](Image& d, Image& s) { d.blendK(0, 1, s, nullptr, 128); },
        [](Image& d, Image&) { d.fill(0xDADADADA); },
        [](Image& d, Image&) { d.hLine(0xDADADADA, {0, 1}, 3); },
        [](Image& d, Image&) { d.vLine(0xDADADADA, {1, 0}, 3); },
        [](Image& d, Image&) { d.line(0xDADADADA, {0, 0, 3, 2}); },
    };
    imgtest::Mismatches bad;
    for (int op = 0; op < 7; ++op)
        for (PelFmtId d = 0; d <= palettedKind; ++d)
            for (PelFmtId s = 0; s <= palettedKind; ++s) {
                SpyImage dst(d, &palette, 0x00), src(s, &palette, 0xDA);
                char got = '-';
                try {
                    ops[op](dst, src);
                    if (dst.memory() != std::vector<std::uint8_t>(64, 0)) got = 'P';
                } catch (const talvo::Exception& e) {
                    got = std::strcmp(e.what(), "NOT IMPLEMENTED") == 0 ? 'N' : '?';
                    if (dst.locks + src.locks != 0 || dst.memory() != std::vector<std::uint8_t>(64, 0)) got = 'L';
                }
                if (got != expected(op, d, s)) bad.add("op ", op, " dst ", d, " src ", s, ": got ", got);
            }
    EXPECT_TRUE(bad.none());
}

// A user's operation written against the operation interface: only the Rgb565 entry is its own. It
// writes its colour over the rectangle Image::apply hands it.
struct UserFill565 final : UOp {
    int runs = 0;
    Rect seen;
    void applyRgb565() override {
        ++runs;
        seen = *rect;
        Image::Lock lock(*dst, rect, Image::lockReadWrite);
        for (std::int32_t y = 0; y < rect->height(); ++y)
            for (std::int32_t x = 0; x < rect->width(); ++x)
                std::memcpy(lock.bits + y * lock.pitch + 2 * x, &colour, 2);
    }
};

TEST(Dispatch, UserOperationRunsItsOneFormatEntry) {
    Palette palette;
    imgtest::Mismatches bad;
    for (PelFmtId kind = 0; kind <= palettedKind; ++kind) {
        SpyImage image(kind, &palette, 0x00);
        image.setClipRect({1, 1, 3, 4});
        UserFill565 op;
        op.dst = &image;
        op.colour = 0xBEEF;
        // Only its own entry draws; the other formats keep Op's no-ops and UOp's raising entries.
        const char want = kind == 4 ? 'P' : (kind >= 9 && kind <= 11) || kind == palettedKind ? 'N' : '-';
        char got = '-';
        try {
            image.apply(op);
            if (op.runs != 0) got = 'P';
        } catch (const talvo::Exception& e) {
            got = std::strcmp(e.what(), "NOT IMPLEMENTED") == 0 ? 'N' : '?';
        }
        std::vector<std::uint8_t> pixels(64, 0);
        for (int y = 1; want == 'P' && y < 4; ++y)
            for (int x = 1; x < 3; ++x) pixels[y * 16 + 2 * x] = 0xEF, pixels[y * 16 + 2 * x + 1] = 0xBE;
        const bool cut = got != 'P' || op.seen == Rect{1, 1, 3, 4};  // the clip rectangle, settled by apply
        if (got != want || op.runs > 1 || !cut || image.memory() != pixels || op.rect != nullptr)
            bad.add("kind ", kind, ": got ", got, ", runs ", op.runs);
    }
    EXPECT_TRUE(bad.none());
}

}  // namespace
