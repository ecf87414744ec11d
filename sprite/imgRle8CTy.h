// The run-length sprite: 8-bit indices coded row by row over the opaque bounds.
#pragma once

#include <cstdint>

#include "sprite/imgCTy.h"

class Rle8DrawCache;

class imgRle8CTy : public imgCTy {
public:
    imgRle8CTy();
    // Owns copies of the rows; unlocked. A failed allocation gives a copy without rows.
    imgRle8CTy(const imgRle8CTy& other);
    imgRle8CTy& operator=(const imgRle8CTy&) = delete;
    ~imgRle8CTy() override;

    const char* ClassName() const override;
    // Always the whole image.
    void LockRect(const imgRect* rect, imgRect* out, int access) override;
    // Decodes into a buffer of width x height (key-filled, or zeroed without a key). A second
    // Lock keeps the buffer and only moves lockedPels (and lockRect) to rect. A rect outside the
    // image, or a failed allocation, leaves the sprite as it was.
    int Lock(const imgRect* rect, int access) override;
    // Unless read-only: measures the bounds and re-encodes. Does nothing when not locked; a
    // failed allocation keeps the old rows.
    void Unlock() override;
    void Draw(imgCTy* dst, int x, int y, const imgRect* rect) override;
    void DrawMirrorH(imgCTy* dst, int x, int y, const imgRect* rect) override;
    void DrawExMirrorH(imgCTy* dst, int x, int y, const imgRect* rect, const DrawParams* params) override;
    void DrawEx(imgCTy* dst, int x, int y, const imgRect* rect, const DrawParams* params) override;
    void Draw(imgCTy* dst, int x, int y, const imgRect* rect, float alpha) override;
    // The opaque bounds.
    imgRect* GetRect(imgRect* out) override;
    imgCTy* Clone() override;
    void FreeData() override;
    // Height null rows (no table when a side is 0), empty bounds; the kind stays 9. A refused size leaves an empty 0 x 0
    // sprite; a failed allocation leaves the sprite as it was.
    void Create(int width, int height, const imgPelFmt* fmt) override;
    int LoadInPlace(ctyMemBuffer& buffer) override;
    void WriteHeader(ctyMemBuffer& buffer) override;
    // Bounds without a row table (data not read yet, or freed): a message and the buffer's
    // failed flag, as for a plain image without pixels.
    void WriteData(ctyMemBuffer& buffer) override;
    // The readers refuse (message, empty sprite) anything a draw or a lock could not walk safely.
    void ReadHeader(ctyMemBuffer& buffer) override;
    void ReadData(ctyMemBuffer& buffer) override;
    void ReadDataInPlace(ctyMemBuffer& buffer) override;

    // Bytes of coded row r up to the run that completes bounds.width pixels; 0 for a null row.
    [[nodiscard]] std::int32_t RowByteLength(int r) const;

    std::int32_t streamVersion = 1;
    // bounds.height entries; a null entry, or a null table, holds only key pixels.
    std::uint8_t** rowTable = nullptr;
    imgRect bounds;
    std::uint8_t* lockBuffer = nullptr;
    std::int32_t rowsEndOffset = 0;

private:
    void releaseRows() noexcept;
    void dropLock() noexcept;
    void refuseStream(const char* why);
    std::int32_t* takeOffsets(ctyMemBuffer& buffer);
    void dropDrawCache() noexcept;

    // The version-1 row offsets between ReadHeader and the data read, apart from rowTable.
    std::int32_t* streamOffsets_ = nullptr;
    // The copy draws' pixels for the last destination kind; never shared by copies.
    Rle8DrawCache* drawCache_ = nullptr;
};

// The registry's creator for "imgRle8CTy".
[[nodiscard]] rwObjCTy* imgRle8Create();
