// The sprite library's abstract image: size, pixel format, colour key, lock state, 39 virtuals.
#pragma once

#include <cstdint>

#include "sprite/drawParams.h"
#include "sprite/imgPelFmt.h"
#include "sprite/imgRect.h"
#include "sprite/rwObjCTy.h"

namespace talvo::io {
class IStream;
}

struct palCTy;

class imgCTy : public rwObjCTy {
public:
    // At most this many pixels, and rows, per image; every size is checked by PelBlockBytes.
    static constexpr std::int64_t maxPels = std::int64_t{1} << 28;
    // What a row costs besides its pixels: a sprite's row-table entry and its coded row's block.
    static constexpr std::int64_t rowCost = 64;
    // At most this many bytes per image, rows included: maxPels 4-byte pixels and a quarter more.
    static constexpr std::int64_t maxBytes = std::int64_t{5} << 28;

    imgCTy() = default;
    // Copies size, key and format (with its own palette); the copy starts unlocked.
    imgCTy(const imgCTy& other);
    imgCTy& operator=(const imgCTy&) = delete;

    // The virtual operations, in the order of the library's table (ClassName comes first,
    // from rwObjCTy).
    ~imgCTy() override = 0;
    void Write(ctyMemBuffer& buffer) override;
    void Read(ctyMemBuffer& buffer) override;
    // Writes rect, or the whole image when it is null, into out; no clipping.
    virtual void LockRect(const imgRect* rect, imgRect* out, int access);
    // Sets the key from a native pixel; returns the key as a colour 0xAARRGGBB.
    virtual std::uint32_t SetColorKey(std::uint32_t pel);
    // Sets the key from bytes B, G, R, A; returns the key as a native pixel.
    virtual std::uint32_t SetColorKeyRgba(const std::uint8_t* rgba);
    // Does nothing on a locked image; else records the rectangle and the access. The concrete
    // classes then point lockedPels at the rectangle, or leave it null when they cannot.
    virtual int Lock(const imgRect* rect, int access);
    // Ends the lock, however many Lock calls came before.
    virtual void Unlock();
    // The native pixel at (x, y); 0xFFFFFFFF when it cannot be read. Works through a lock the
    // caller holds, and keeps it.
    virtual std::uint32_t PelAtXY(int x, int y);
    // *out = the pixel at (x, y) as a colour 0xAARRGGBB; returns out.
    virtual std::uint32_t* RgbaAtXY(std::uint32_t* out, int x, int y);
    // The primitives write a native pixel value; everything is clipped to the image (and to a
    // lock the caller holds, which they use and keep). Pixel i of a horizontal or vertical line
    // is written when bit i mod 32 of the pattern is set; DrawLine is always solid.
    virtual void DrawHLine(std::uint32_t colour, int x, int y, int length, std::uint32_t pattern);
    virtual void DrawVLine(std::uint32_t colour, int x, int y, int length, std::uint32_t pattern);
    virtual void DrawLine(std::uint32_t colour, int x0, int y0, int x1, int y1, std::uint32_t pattern);
    // Null rect: the whole image.
    virtual void Fill(std::uint32_t colour, const imgRect* rect);
    // Locks this, sixth, dst and fifth (whole image, access 0), draws nothing, and ends the
    // locks it took in the reverse order. Null images are passed over.
    virtual void LockUnlock4(imgCTy* dst, int x, int y, const imgRect* rect, imgCTy* fifth, imgCTy* sixth);
    virtual void Draw(imgCTy* dst, int x, int y, const imgRect* rect);
    virtual void DrawMirrorH(imgCTy* dst, int x, int y, const imgRect* rect);
    virtual void DrawExMirrorH(imgCTy* dst, int x, int y, const imgRect* rect, const DrawParams* params);
    virtual void DrawEx(imgCTy* dst, int x, int y, const imgRect* rect, const DrawParams* params);
    virtual void DrawMasked(imgCTy* dst, int x, int y, const imgRect* rect, imgCTy* alphaMap);
    virtual void Draw(imgCTy* dst, int x, int y, const imgRect* rect, float alpha);
    // Writes {0, 0, width, height} into out; returns out.
    virtual imgRect* GetRect(imgRect* out);
    virtual imgCTy* Clone() = 0;
    virtual void FreeData() = 0;
    // The base sets the size only.
    virtual void Create(int width, int height, const imgPelFmt* fmt);
    virtual void LoadBmp(const char* name);
    virtual void ReadBmp(talvo::io::IStream& in);
    virtual void LoadDepthText(const char* name);
    // Pictures: a row image whose new block the library's hooks refuse keeps its picture (posted
    // -2); the new block is asked for while the old one lives, so both need room at once.
    virtual void LoadTga(const char* name);
    virtual void ReadTga(talvo::io::IStream& in);
    virtual void LoadJpg(const char* name);
    virtual void SaveBmp(const char* name);
    // Object streams. Readers check what they read before they change the image: a refused
    // stream posts a level-4 message, sets the buffer's failed flag and leaves the image as it
    // was; a buffer that has failed already is read no further.
    // The base reads nothing and returns 0; an image class that stores pixels returns 1 when
    // it took them in place.
    virtual int LoadInPlace(ctyMemBuffer& buffer);
    // Size, key flag, the key when there is one, then the format record.
    virtual void WriteHeader(ctyMemBuffer& buffer);
    virtual void WriteData(ctyMemBuffer& buffer);
    // Reads what WriteHeader wrote; without a key the old key bytes stay. Sizes must pass
    // PelBlockBytes. Pixels and the lock state are the concrete class's.
    virtual void ReadHeader(ctyMemBuffer& buffer);
    virtual void ReadData(ctyMemBuffer& buffer);
    virtual void ReadDataInPlace(ctyMemBuffer& buffer);

    // Replaces the palette and keeps the key the same colour under it.
    void SetPalette(const palCTy& palette);
    // Has the palette build its table converted to toKind.
    void BuildPalTbl(int toKind);

    // Bytes of a width x height block of the kind; -1 for a negative size, more than maxPels
    // pixels or rows, a kind outside 0 to 10, or a block with pixels whose bytes and rowCost per
    // row pass maxBytes.
    [[nodiscard]] static std::int64_t PelBlockBytes(int width, int height, int kind) noexcept;
    // True when the rectangle lies inside the image.
    [[nodiscard]] bool Contains(const imgRect& rect) const noexcept;

    std::int32_t storageKind = 0;  // 1 plain rows, 2 run-length rows
    imgPelFmt pelFmt;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint8_t* lockedPels = nullptr;  // first pixel of lockRect while locked
    std::int32_t lockPitch = 0;          // pixels between locked rows
    imgRect lockRect;
    std::int32_t lockAccess = 0;  // 0 write, 1 read-only, 2 line primitives
    std::uint32_t hasColorKey = 0;
    std::uint8_t colorKeyRgba[4] = {0, 0, 0, 0};  // B, G, R, A
    std::uint32_t colorKeyPel = 0;
    std::uint32_t dataInPlace = 0;  // pixels live in a stream's buffer
};

// Inline: every draw locks its images.
inline void imgCTy::LockRect(const imgRect* rect, imgRect* out, int)
{
    *out = rect != nullptr ? *rect : imgRect{0, 0, width, height};
}

inline int imgCTy::Lock(const imgRect* rect, int access)
{
    if (lockedPels != nullptr) return lockPitch;
    LockRect(rect, &lockRect, access);
    lockAccess = access;
    return lockPitch;
}

inline bool imgCTy::Contains(const imgRect& r) const noexcept
{
    return r.x >= 0 && r.y >= 0 && r.width >= 0 && r.height >= 0 &&
           std::int64_t{r.x} + r.width <= width && std::int64_t{r.y} + r.height <= height;
}

