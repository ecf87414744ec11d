// Test images of the blitter's tests: row images over their own buffers between guard bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "blitRequest.h"
#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"
#include "spriteTestSupport.h"

namespace blittest {

constexpr std::size_t guard = 16;
constexpr std::uint8_t guardByte = 0xA5;

// A row image over its own buffer with guard bytes on both sides; the model sees the same bytes.
struct TestImage {
    TestImage(int kind, int w, int h, int pitch)
        : kind(kind), w(w), h(h), pitch(pitch),
          buf(2 * guard + static_cast<std::size_t>(pitch) * h * model::bytesOf(kind), guardByte)
    {
        const imgPelFmt fmt(kind, nullptr);
        img = std::make_unique<imgRowCTy>(w, h, &fmt, pels(), pitch);
    }
    std::uint8_t* pels() { return buf.data() + guard; }
    std::uint8_t* at(int x, int y) { return pels() + (static_cast<std::size_t>(y) * pitch + x) * model::bytesOf(kind); }
    // The model's view of these bytes, or of another buffer of the same layout.
    model::Image view(std::vector<std::uint8_t>& bytes)
    {
        model::Image v;
        v.kind = kind, v.w = w, v.h = h, v.pitch = pitch, v.pels = bytes.data() + guard;
        v.keyed = img->hasColorKey != 0;
        std::memcpy(v.key, img->colorKeyRgba, 4);
        if (const palCTy* palette = img->pelFmt.palette) v.palette = true, v.entries = palette->entries, v.count = static_cast<int>(palette->count);
        return v;
    }
    // Gives the image a palette of n colours, all four bytes of each random; in half the
    // palettes some entries repeat an earlier one but for the low bits, which 16-bit kinds cut.
    void setPalette(SeededRng& r, std::uint32_t n)
    {
        std::vector<std::uint8_t> colours(4 * std::size_t{n});
        palCTy palette;
        palette.Set(colours.data(), n);
        for (std::uint32_t i = 0; i < 4 * n; ++i) palette.entries[i] = r.edgeByte();
        if (r.below(2) == 0)
            for (std::uint32_t i = 1; i < n; ++i) {
                if (r.below(4) != 0) continue;
                const std::uint8_t* like = palette.entries + 4 * std::size_t{r.below(i)};
                for (int c = 0; c < 3; ++c) palette.entries[4 * i + c] = static_cast<std::uint8_t>(like[c] ^ r.below(4));
            }
        img->SetPalette(palette);
    }
    int kind, w, h, pitch;
    std::vector<std::uint8_t> buf;
    std::unique_ptr<imgRowCTy> img;
};

inline bool allUnlocked(std::initializer_list<imgCTy*> images)
{
    for (imgCTy* image : images)
        if (image != nullptr && image->lockedPels != nullptr) return false;
    return true;
}

// The first byte where two buffers differ, as a pixel of the image.
inline std::string firstDifference(const TestImage& image, const std::vector<std::uint8_t>& want, const std::vector<std::uint8_t>& got)
{
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (want[i] == got[i]) continue;
        std::string where = "guard byte " + std::to_string(i);
        if (i >= guard && i < want.size() - guard) {
            const std::size_t pel = (i - guard) / static_cast<std::size_t>(model::bytesOf(image.kind));
            where = "pixel (" + std::to_string(pel % image.pitch) + ", " + std::to_string(pel / image.pitch) + ") byte " +
                    std::to_string((i - guard) % model::bytesOf(image.kind));
        }
        return where + ": expected " + std::to_string(want[i]) + ", got " + std::to_string(got[i]);
    }
    return {};
}

} // namespace blittest
