// Fuzz target: imgCTy::DrawEx over any request and images between guard bands, palettes of 0 to
// 256 colours included; every source must match the reference model byte for byte, and every
// image must end unlocked.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "../tests/sprite/blitRequest.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"

namespace {

constexpr std::size_t guard = 8;

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t u8() { return at_ < size_ ? data_[at_++] : 0; }
    std::int32_t i32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(u8()) << (8 * i);
        return static_cast<std::int32_t>(v);
    }
    // Small values mostly, any 32-bit value when the flag byte says so.
    std::int32_t coordinate() { return (u8() & 7) == 0 ? i32() : static_cast<std::int8_t>(u8()) % 16; }
    float f32()
    {
        const std::int32_t bits = i32();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_, at_ = 0;
};

// An image of kind 0 to 11, with or without a palette, over a buffer between guard bands.
struct FuzzImage {
    explicit FuzzImage(Bytes& in)
    {
        const std::uint8_t shape = in.u8();
        kind = shape % 12;
        const int w = in.u8() % 10, h = in.u8() % 10, pitch = w + in.u8() % 3;
        const std::size_t body = static_cast<std::size_t>(pitch) * h * model::bytesOf(kind);
        buf.assign(2 * guard + body, 0xA5);
        for (std::size_t i = 0; i < body; ++i) buf[guard + i] = in.u8();
        const imgPelFmt fmt(kind, nullptr);
        img = std::make_unique<imgRowCTy>(w, h, &fmt, buf.data() + guard, pitch);
        if (shape & 0x80) {
            const std::uint32_t n = (shape & 0x40) ? 256 : in.u8();
            std::vector<std::uint8_t> colours(4 * std::size_t{n});
            palCTy palette;
            palette.Set(colours.data(), n);
            for (std::uint32_t i = 0; i < 4 * n; ++i) palette.entries[i] = in.u8();
            img->SetPalette(palette);
        }
    }
    model::Image view(std::vector<std::uint8_t>& bytes) const
    {
        model::Image v;
        v.kind = kind, v.w = img->width, v.h = img->height, v.pitch = img->pitch;
        v.pels = img->pels != nullptr ? bytes.data() + guard : nullptr;
        if (const palCTy* palette = img->pelFmt.palette) v.palette = true, v.entries = palette->entries, v.count = static_cast<int>(palette->count);
        v.keyed = img->hasColorKey != 0;
        std::memcpy(v.key, img->colorKeyRgba, 4);
        return v;
    }
    int kind;
    std::vector<std::uint8_t> buf;
    std::unique_ptr<imgRowCTy> img;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ctyError = ctyErrorRecord{};
    Bytes in(data, size);
    const std::uint8_t flags = in.u8();
    FuzzImage src(in);
    if (flags & 1) {
        const std::uint8_t key[4] = {in.u8(), in.u8(), in.u8(), in.u8()};
        src.img->SetColorKeyRgba(key);
    }
    const bool self = (flags & 2) != 0;
    std::unique_ptr<FuzzImage> dstOwn = self ? nullptr : std::make_unique<FuzzImage>(in);
    FuzzImage& dst = self ? src : *dstOwn;
    std::unique_ptr<FuzzImage> map = flags & 4 ? std::make_unique<FuzzImage>(in) : nullptr;
    std::unique_ptr<FuzzImage> srcDepth = flags & 8 ? std::make_unique<FuzzImage>(in) : nullptr;
    std::unique_ptr<FuzzImage> dstDepth = flags & 16 ? std::make_unique<FuzzImage>(in) : nullptr;

    model::Request req;
    req.wholeSource = (flags & 32) == 0;
    req.rx = in.coordinate(), req.ry = in.coordinate(), req.rw = in.coordinate(), req.rh = in.coordinate();
    req.x = in.coordinate(), req.y = in.coordinate();
    req.mode = (flags & 64) ? in.i32() : in.u8() % 18;
    req.scaled = in.u8() & 1;
    req.alpha = in.i32();
    req.scaleX = in.f32(), req.scaleY = in.f32();
    const DrawParams params = drawParamsOf(req, map ? map->img.get() : nullptr, srcDepth ? srcDepth->img.get() : nullptr,
                                           dstDepth ? dstDepth->img.get() : nullptr);
    const imgRect rect = rectOf(req);
    // The model walks every pixel of the rectangle: keep that bounded.
    const bool modelled = req.wholeSource || (req.rw <= 64 && req.rh <= 64);

    std::vector<std::uint8_t> before = src.buf, want = dst.buf;
    std::vector<std::uint8_t> wantDepth = dstDepth ? dstDepth->buf : std::vector<std::uint8_t>{};
    if (modelled) {
        model::Image mapView, sdView, ddView, dstView = dst.view(want);
        if (map) mapView = map->view(map->buf);
        if (srcDepth) sdView = srcDepth->view(srcDepth->buf);
        if (dstDepth) ddView = dstDepth->view(wantDepth);
        (void)model::draw(src.view(before), dstView, map ? &mapView : nullptr, srcDepth ? &sdView : nullptr,
                          dstDepth ? &ddView : nullptr, req);
    }
    src.img->DrawEx(dst.img.get(), req.x, req.y, req.wholeSource ? nullptr : &rect, &params);

    for (FuzzImage* image : {&src, &dst, map.get(), srcDepth.get(), dstDepth.get()}) {
        if (image == nullptr) continue;
        if (image->img->lockedPels != nullptr) std::abort();
        for (std::size_t i = 0; i < guard; ++i)
            if (image->buf[i] != 0xA5 || image->buf[image->buf.size() - 1 - i] != 0xA5) std::abort();
    }
    if (modelled && (dst.buf != want || (dstDepth && dstDepth->buf != wantDepth))) std::abort();
    return 0;
}
