// The game's face for tests: a Debian font installed under the game's name "Alpine.ttf".
#pragma once

#include "framework/Font.h"
#include "platform/glyphs.h"
#include "tests/support/alloc_cap.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <unistd.h>

inline constexpr const char* debianFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf";

// Registers the copy, builds the font and uninstalls it at once, as the game does;
// nullptr when the Debian font is missing. With glyphMemory the glyphs are built under that cap
// on operator new's blocks, and built tells whether create succeeded.
[[nodiscard]] inline std::unique_ptr<Font> loadAlpine(int height, std::optional<std::size_t> glyphMemory = {},
                                                      bool* built = nullptr)
{
    namespace fs = std::filesystem;
    if (!fs::exists(debianFont))
        return nullptr;
    const fs::path dir = fs::temp_directory_path() / ("velmoor_font_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "Alpine.ttf").string();
    fs::copy_file(debianFont, path, fs::copy_options::overwrite_existing);
    std::unique_ptr<Font> font;
    if (plat::addFontFile(path)) {
        font = std::make_unique<Font>();
        std::optional<testsupport::AllocCap> cap;
        if (glyphMemory)
            cap.emplace(*glyphMemory);
        const bool made = font->create("Alpine", 0, height);
        cap.reset();
        if (built)
            *built = made;
        plat::removeFontFile(path);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return font;
}
