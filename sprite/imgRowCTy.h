// The plain-array image: one block of rows, owned, the caller's, or in a stream's buffer.
#pragma once

#include <cstdint>

#include "sprite/imgCTy.h"

class imgRowCTy : public imgCTy {
public:
    imgRowCTy();
    // Over the caller's pixels (pitch in pixels), which stay the caller's. A null format, a size
    // that PelBlockBytes refuses, or a pitch below the width give a 0 x 0 image without pixels.
    imgRowCTy(int width, int height, const imgPelFmt* fmt, void* pels, int pitch);
    // Owns a copy of the source's pixels, copied row by row.
    imgRowCTy(const imgRowCTy& other);
    imgRowCTy& operator=(const imgRowCTy&) = delete;
    ~imgRowCTy() override;

    const char* ClassName() const override;
    // Points lockedPels at the lock rectangle's corner; an image without pixels, or a
    // rectangle outside the image, stays unlocked. Returns the pitch.
    int Lock(const imgRect* rect, int access) override;
    void Unlock() override { lockedPels = nullptr; }
    // Lock of this class with the base class's LockRect, called without the table: for a draw
    // that knows the image is an imgRowCTy itself, not a subclass that may lock otherwise.
    int LockPlain(const imgRect* rect, int access) noexcept
    {
        if (lockedPels != nullptr) return placeLock(lockRect);
        // The corner from the rectangle in hand, not read back from the record just stored: that
        // round trip held a small draw's start up by a store-to-load forward per lock.
        imgRect at;
        imgCTy::LockRect(rect, &at, access);
        lockRect = at;
        lockAccess = access;
        return placeLock(at);
    }
    imgCTy* Clone() override;
    void FreeData() override;
    // New size and format over a new owned block (contents undefined). A refused size or a
    // failed allocation leaves a 0 x 0 image without pixels.
    void Create(int width, int height, const imgPelFmt* fmt) override;
    // The header, then the pixels left in the buffer (which must outlive the image and not
    // grow meanwhile); the position stays at the pixels. 1 when done, 0 when refused.
    int LoadInPlace(ctyMemBuffer& buffer) override;
    // imgCTy's header, then the 16 reserved bytes.
    void WriteHeader(ctyMemBuffer& buffer) override;
    // The rows, top to bottom, width pixels each.
    void WriteData(ctyMemBuffer& buffer) override;
    // imgCTy's header, the reserved bytes, pitch = width; refused unless the buffer still holds
    // the pixels that follow. Pixels that no longer fit the new size are let go.
    void ReadHeader(ctyMemBuffer& buffer) override;
    // The pixels into a new owned block.
    void ReadData(ctyMemBuffer& buffer) override;
    // The pixels where they lie in the buffer; the position stays.
    void ReadDataInPlace(ctyMemBuffer& buffer) override;

    std::uint8_t reserved[16] = {};
    std::uint8_t* pels = nullptr;  // first pixel of row 0
    std::int32_t pitch = 0;        // pixels between rows
    std::uint8_t ownsPels = 0;

private:
    // Points lockedPels at the corner of at (the lock's rectangle), or leaves it null; returns the pitch.
    int placeLock(const imgRect& at) noexcept
    {
        if (pels == nullptr || !Contains(at)) {
            lockedPels = nullptr;
            return pitch;
        }
        lockedPels = pels + (std::int64_t{at.y} * pitch + at.x) * imgPelBytes(pelFmt.kind);
        lockPitch = pitch;
        return pitch;
    }
    void release() noexcept;
    void becomeEmpty() noexcept;
    // Create's steps before the new block: size, format and the key under it, the old pixels let go.
    void renew(int width, int height, const imgPelFmt* fmt);

    friend void imgRowTakeBlock(imgRowCTy& image, int width, int height, const imgPelFmt& fmt, std::uint8_t* block);
};

// Create with the pixels made already, for a loader that decodes into them: the block (rows back to
// back, PelBlockBytes of the size, which the caller has checked, from ctyHooks.alloc) becomes the
// image's own.
void imgRowTakeBlock(imgRowCTy& image, int width, int height, const imgPelFmt& fmt, std::uint8_t* block);

// The registry's creator for "imgRowCTy".
[[nodiscard]] rwObjCTy* imgRowCreate();
