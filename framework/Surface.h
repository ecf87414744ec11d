// A drawing surface of the display: pixels, size, colour key and clip rectangle, with
// lock, fills and a clipped keyed blit; every Surface stands in the process-wide list.
#pragma once

#include "framework/Rect.h"
#include "framework/Result.h"
#include "platform/display.h"

#include <cstdint>

class AlphaMask;
class Display;
class DisplayPalette;

// The largest picture a Surface takes: each side at most 16384 and at most 16 M pixels in all
// (64 MB at 32 bits). The game's pictures are screen-sized; anything near this is a broken file.
inline constexpr int32_t MaxSurfaceSide = 16384;
inline constexpr int64_t MaxSurfacePixels = int64_t{1} << 24;
[[nodiscard]] constexpr bool surfaceSizeAllowed(int64_t width, int64_t height)
{
    return width >= 1 && height >= 1 && width <= MaxSurfaceSide && height <= MaxSurfaceSide &&
           width * height <= MaxSurfacePixels;
}

// The kinds of Surface::create (low byte); SurfaceKind3D may be added to 1, 2, 3 and 6.
namespace SurfaceKind {
inline constexpr uint16_t Auto = 1;      // video memory, else system memory (becomes 2 or 3)
inline constexpr uint16_t Video = 2;
inline constexpr uint16_t System = 3;    // pixels and pitch recorded at creation (the pictures' kind)
inline constexpr uint16_t Texture = 4;
inline constexpr uint16_t ManagedTexture = 5;
inline constexpr uint16_t OwnMemory = 6; // over memory the Surface allocates; never locked
inline constexpr uint16_t With3D = 0x100;
} // namespace SurfaceKind

namespace SurfaceFlag {
inline constexpr uint8_t keyed = 0x01;
inline constexpr uint8_t dcHeld = 0x02;
inline constexpr uint8_t locked = 0x04;
inline constexpr uint8_t ownsClipRect = 0x08;
inline constexpr uint8_t ownsUserData = 0x20;
} // namespace SurfaceFlag

class Surface {
public:
    using RestoreHook = void (*)(Surface* surface, void* userData);
    using ReleaseHook = void (*)(Surface* surface);

    Surface();
    virtual ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // Releases what the Surface holds and returns it to the constructed state.
    void release();
    // 0, or 6 when the size is not allowed or the layer refuses the surface, 13 when there is no
    // memory for its pixels (nothing is then held and the size is 0 x 0).
    int create(Display* display, int kind, int width, int height);
    int lock();   // 0 or 7
    int unlock(); // 0 or 8
    int getDC();  // 0 or 9
    int releaseDC(); // 0 or 10
    // 0, or 25 (also for a rectangle reaching outside the surface, or no surface).
    int fillRect(int left, int top, int right, int bottom, uint32_t colour);
    int fill(uint32_t colour);
    void setColorKey(uint32_t key);
    void setClipRect(Rect* rect);
    int setPalette(DisplayPalette* palette); // 0 or 35
    // Blits this Surface's rectangle onto dest at (x, y), clipped to clipRect, with the
    // colour key when `keyed`; returns the layer's result (rect is changed by clipping).
    int32_t blit(Surface* dest, int x, int y, Rect& rect);
    bool restore();
    int createAlphaMask();
    // The four-pixel present copy: this Surface's rectangle to dest at (x, y), both locked by the
    // caller, in 8-byte units. Skipped while this Surface is lost, when a row's bytes are 0 or no
    // multiple of 8, and when the rectangle lies outside either Surface.
    void copyBackToPrimaryMmx(Surface* dest, int x, int y, const Rect& rect);
    // Loads a BMP file into this Surface: 0, 12 when it cannot be opened or is no regular
    // file within MaxDataFileBytes (lastDataFileStatus says why), 24 when it is not a BMP
    // file or its header leaves nothing to draw (bit-field masks overlapping the pixels, a size
    // no surface takes that the file cannot hold: lastDataFileDamage says which), 6 when the
    // size of a file holding its rows is refused or the surface cannot be made. A file cut
    // short, of a kind not drawn, with runs past the picture, or whose image size or length
    // disagrees with the rows its header describes gives 0 with what it holds drawn, and
    // lastDataFileDamage says what is wrong. 13 when memory runs out, the Surface then empty.
    int loadBitmap(Display* display, int kind, const char* path, bool mapToPalette);
    // As loadBitmap, from bytes in memory (24, 6 and 13 as above).
    int loadBitmapFromMemory(Display* display, int kind, const uint8_t* data, std::size_t size,
                             bool mapToPalette);

    Display* display = nullptr;
    int32_t pitch = 0;
    uint8_t* pixels = nullptr;
    void* dc = nullptr;
    int32_t height = 0;
    int32_t width = 0;
    uint32_t colorKey = 0;
    Rect* clipRect = nullptr;
    plat::SurfaceHandle surface = nullptr;
    uint8_t flags = 0;
    AlphaMask* alphaMask = nullptr;
    DisplayPalette* palette = nullptr;
    void* userData = nullptr;
    RestoreHook restoreHook = nullptr;
    ReleaseHook releaseHook = nullptr;
    uint16_t kind = 0;
    uint8_t* ownMemory = nullptr; // the pixels of kind 6

private:
    int createChecked(Display* display, int kind, int width, int height);
    int drawBitmap(Display* display, int kind, const uint8_t* data, std::size_t size, bool mapToPalette);
    // Runs a layer call; on a lost surface restores and, when that works, runs it once more.
    template <class Call>
    plat::HResult withRestore(Call call);
};

// The process-wide surface list, in constant-initialised storage so global Surfaces
// may use it before main and after it. Its order carries no meaning.
[[nodiscard]] int surfaceListCount();
[[nodiscard]] Surface* surfaceListAt(int index);
