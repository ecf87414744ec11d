// The screens' font and text colour.
#include "game/ScreenFont.h"

#include "framework/DataFile.h"
#include "framework/Font.h"
#include "game/GameLog.h"
#include "game/Globals.h"
#include "platform/glyphs.h"
#include "talvo/log_file.h"

#include <filesystem>
#include <string>

namespace {
constexpr const char* fontName = "Alpine.ttf";
}

void buildScreenFont(Font& font)
{
    // The working folder holds the chosen Data/; an installed game may keep the font only
    // beside the executable.
    std::string path = fontName;
    DataFileStatus status = checkDataFile(fontName, MaxDataFileBytes);
    if (status.missing()) {
        const std::filesystem::path beside = std::filesystem::path(talvo::executablePath()).parent_path();
        if (!beside.empty()) {
            const std::string besidePath = (beside / fontName).string();
            if (const DataFileStatus there = checkDataFile(besidePath.c_str(), MaxDataFileBytes); !there.missing()) {
                path = besidePath;
                status = there;
            }
        }
    }
    // The rasteriser would wait forever on a pipe and read a device without end: check first.
    const bool added = status.ok() && plat::addFontFile(path.c_str());
    if (!added && status.ok())
        warnDamaged(path.c_str(), "not a font the rasteriser reads");
    else if (!added)
        warnNotLoaded(path.c_str(), status.reason());
    (void)font.create("Alpine", 0, 30);
    if (added)
        plat::removeFontFile(path.c_str());
}

uint32_t screenTextColour()
{
    return display.pixelFormat ? display.pixelFormat->pixelFromRgb(255, 203, 0) : 0;
}
