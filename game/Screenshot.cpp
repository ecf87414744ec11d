// The screenshot keys: F5 or F9 saves the frame as screen_N.bmp, and the keyboard poller advances.
#include "game/Screenshot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "framework/KeyboardState.h"
#include "game/GameLog.h"
#include "game/Globals.h"
#include "platform/display.h"
#include "platform/keycodes.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgRowCTy.h"

namespace {

constexpr int shotWidth = 800;
constexpr int shotHeight = 600;
constexpr off_t shotFileBytes = 54 + off_t{3} * shotWidth * shotHeight;

// The shot reads 800 x 600 pixels of 5-6-5 from the locked back buffer: only when it holds
// that many 16-bit pixels, so an 8-bit or smaller back buffer is never read past its end.
bool holdsShot(const Surface& back)
{
    plat::PixelFormat format;
    return back.pixels != nullptr && back.surface != nullptr &&
           plat::surfacePixelFormat(back.surface, format) == plat::result::Ok && format.bitsPerPixel == 16 &&
           back.width >= shotWidth && back.height >= shotHeight && back.pitch >= 2 * shotWidth;
}

// The first "screen_%d.bmp" that cannot be opened for reading: gaps are filled first.
std::string freeName()
{
    for (int n = 0;; ++n) {
        const std::string name = "screen_" + std::to_string(n) + ".bmp";
        std::FILE* file = std::fopen(name.c_str(), "r");
        if (file == nullptr) return name;
        std::fclose(file);
    }
}

void shotFailed(const std::string& name, const char* why)
{
    gameWarning << "The screenshot " << name << " could not be saved: " << why << std::endl;
}

// Saves through the sprite library, which posts a failure without its cause: the cause is the
// system's error of the failed write or close. A file that is not whole is removed, but only one
// this save made (a link that stood under the name stays), and the log says why.
void writeShot(imgRowCTy& shot, const std::string& name)
{
    struct stat before {};
    const bool existed = ::lstat(name.c_str(), &before) == 0;
    ctyError.code = 0;
    errno = 0;
    shot.SaveBmp(name.c_str());
    const int error = errno;
    struct stat after {};
    const bool whole = ::stat(name.c_str(), &after) == 0 && after.st_size == shotFileBytes;
    if (ctyError.code == 0 && whole)
        return;
    if (!existed)
        (void)::unlink(name.c_str());
    char text[256] = "";
    shotFailed(name, ctyError.code != 0 && error != 0 ? ::strerror_r(error, text, sizeof text)
                     : ctyError.code != 0             ? "the picture library could not write it"
                                                      : "the file came out cut");
}

void saveScreenshot()
{
    Surface* back = backBuffer();
    if (back == nullptr) return shotFailed(freeName(), "the game has no screen");
    imgRowCTy shot;
    const imgPelFmt rgb888(pelKindNumber(PelKind::Rgb888), nullptr);
    shot.Create(shotWidth, shotHeight, &rgb888);
    if (shot.pels == nullptr) return shotFailed(freeName(), "out of memory");
    (void)back->lock();
    if (!holdsShot(*back)) {
        (void)back->unlock();
        return shotFailed(freeName(), "the screen is not 800 x 600 at 16 bits a pixel");
    }
    // The 5-6-5 layout is fixed: the display's own 16-bit layout is not consulted.
    const imgPelFmt rgb565(pelKindNumber(PelKind::Rgb565), nullptr);
    imgRowCTy view(shotWidth, shotHeight, &rgb565, back->pixels, back->pitch / 2);
    view.Draw(&shot, 0, 0, nullptr);
    (void)back->unlock();
    writeShot(shot, freeName());
}

}  // namespace

void saveScreenshotOnKey()
{
    if (KeyboardState::wasPressed(plat::vk::F5) || KeyboardState::wasPressed(plat::vk::F9)) saveScreenshot();
    pollKeyboardState();
}
