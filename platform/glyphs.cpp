// The glyph rasteriser over FreeType: registered font files, faces sized by cell height,
// grey glyph bitmaps in 65 levels, text extents and metrics.
#include "platform/glyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cmath>
#include <filesystem>
#include <map>

namespace plat {
namespace {

struct Registration {
    std::string path;
    std::string family; // lower case
    std::string stem;   // lower case
    int count = 0;
};

struct Font {
    FT_Face face = nullptr;
    TextMetrics metrics;
};

struct Glyphs {
    FT_Library library = nullptr;
    std::vector<Registration> registrations;
    std::map<uint32_t, Font> fonts;
    uint32_t nextFont = 1;

    ~Glyphs()
    {
        for (auto& [id, font] : fonts)
            FT_Done_Face(font.face);
        if (library)
            FT_Done_FreeType(library);
    }
};

Glyphs& glyphs()
{
    static Glyphs g;
    if (!g.library && FT_Init_FreeType(&g.library) != 0)
        g.library = nullptr;
    return g;
}

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

Font* findFont(FontHandle h)
{
    auto it = glyphs().fonts.find(static_cast<uint32_t>(h));
    return it == glyphs().fonts.end() ? nullptr : &it->second;
}

// The face's vertical extent in font units: the OS/2 Windows metrics as the cell height is
// defined by them, the horizontal header where a face lacks that table.
struct VerticalUnits {
    double ascent;
    double descent;
};

VerticalUnits verticalUnits(FT_Face face)
{
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0)
        return {static_cast<double>(os2->usWinAscent), static_cast<double>(os2->usWinDescent)};
    if (face->ascender - face->descender > 0)
        return {static_cast<double>(face->ascender), static_cast<double>(-face->descender)};
    return {static_cast<double>(face->units_per_EM) * 0.8, static_cast<double>(face->units_per_EM) * 0.2};
}

// Sizes the face for a requested height and width; false when FreeType refuses.
bool sizeFace(FT_Face face, int height, int width, TextMetrics& metrics)
{
    constexpr int defaultCellHeight = 16;
    const double units = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    VerticalUnits v = verticalUnits(face);
    if (!(v.ascent + v.descent > 0))
        v = {units * 0.8, units * 0.2};
    const int cell = height == 0 ? defaultCellHeight : height;
    const double emY = cell > 0 ? cell * units / (v.ascent + v.descent) : -static_cast<double>(cell);
    const auto ppemY = static_cast<FT_UInt>(std::clamp(std::lround(emY), 1L, 4096L));

    FT_UInt ppemX = ppemY;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (width > 0 && os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0)
        ppemX = static_cast<FT_UInt>(std::clamp(std::lround(width * units / os2->xAvgCharWidth), 1L, 4096L));
    if (FT_Set_Pixel_Sizes(face, ppemX, ppemY) != 0)
        return false;

    metrics.ascent = static_cast<int32_t>(std::lround(v.ascent * ppemY / units));
    metrics.descent = static_cast<int32_t>(std::lround(v.descent * ppemY / units));
    metrics.height = metrics.ascent + metrics.descent;
    metrics.averageCharWidth = os2 && os2->version != 0xFFFF
                                   ? static_cast<int32_t>(std::lround(os2->xAvgCharWidth * ppemX / units))
                                   : static_cast<int32_t>(ppemX / 2);
    return true;
}

// The glyph index of a Windows-1252 code; 0 for control codes and characters the face lacks.
FT_UInt glyphIndex(FT_Face face, uint8_t code)
{
    if (code < 0x20 || code == 0x7F)
        return 0;
    return FT_Get_Char_Index(face, unicodeFromWindows1252(code));
}

// Outlines only, as the glyph outlines of the face are what is asked for; embedded
// bitmaps would come in one bit per pixel.
constexpr FT_Int32 loadFlags = FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP;

int16_t advanceOf(const FT_GlyphSlot slot)
{
    return static_cast<int16_t>(std::clamp<FT_Pos>((slot->advance.x + 32) >> 6, INT16_MIN, INT16_MAX));
}

} // namespace

bool addFontFile(const std::string& path)
{
    Glyphs& g = glyphs();
    for (Registration& r : g.registrations)
        if (r.path == path) {
            ++r.count;
            return true;
        }
    FT_Face face = nullptr;
    if (!g.library || FT_New_Face(g.library, path.c_str(), 0, &face) != 0)
        return false;
    Registration r{path, lower(face->family_name ? face->family_name : ""),
                   lower(std::filesystem::path(path).stem().string()), 1};
    FT_Done_Face(face);
    g.registrations.push_back(std::move(r));
    return true;
}

bool removeFontFile(const std::string& path)
{
    auto& regs = glyphs().registrations;
    auto it = std::find_if(regs.begin(), regs.end(), [&](const Registration& r) { return r.path == path; });
    if (it == regs.end())
        return false;
    if (--it->count == 0)
        regs.erase(it);
    return true;
}

FontHandle createFont(std::string_view faceName, int height, int width)
{
    Glyphs& g = glyphs();
    const std::string wanted = lower(faceName);
    for (const Registration& r : g.registrations) {
        if (wanted.empty() || (r.family != wanted && r.stem != wanted))
            continue;
        Font font;
        if (FT_New_Face(g.library, r.path.c_str(), 0, &font.face) != 0)
            continue;
        if (!FT_IS_SCALABLE(font.face) || !sizeFace(font.face, height, width, font.metrics)) {
            FT_Done_Face(font.face);
            continue;
        }
        while (g.nextFont == 0 || g.fonts.count(g.nextFont))
            ++g.nextFont;
        const uint32_t id = g.nextFont++;
        g.fonts.emplace(id, font);
        return static_cast<FontHandle>(id);
    }
    return FontHandle::None;
}

void destroyFont(FontHandle h)
{
    auto& fonts = glyphs().fonts;
    auto it = fonts.find(static_cast<uint32_t>(h));
    if (it == fonts.end())
        return;
    FT_Done_Face(it->second.face);
    fonts.erase(it);
}

std::optional<GlyphBitmap> glyphBitmap(FontHandle h, uint8_t code)
{
    Font* font = findFont(h);
    if (!font)
        return std::nullopt;
    GlyphBitmap out;
    const FT_UInt index = glyphIndex(font->face, code);
    if (index == 0 || FT_Load_Glyph(font->face, index, loadFlags) != 0)
        return out;
    FT_GlyphSlot slot = font->face->glyph;
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return out;
    const FT_Bitmap& bm = slot->bitmap;
    out.metrics.cellIncX = advanceOf(slot);
    if (bm.width == 0 || bm.rows == 0 || bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.num_grays < 2)
        return out;
    out.metrics.blackBoxX = bm.width;
    out.metrics.blackBoxY = bm.rows;
    out.metrics.originX = slot->bitmap_left;
    out.metrics.originY = slot->bitmap_top;
    out.pitch = (bm.width + 3) & ~3u;
    out.levels.assign(static_cast<std::size_t>(out.pitch) * bm.rows, 0);
    const unsigned top = static_cast<unsigned>(bm.num_grays - 1);
    for (unsigned row = 0; row < bm.rows; ++row) {
        // A negative pitch stores the rows bottom-up.
        const unsigned char* src = bm.pitch >= 0 ? bm.buffer + static_cast<std::ptrdiff_t>(row) * bm.pitch
                                                 : bm.buffer + static_cast<std::ptrdiff_t>(bm.rows - 1 - row) * -bm.pitch;
        uint8_t* dst = out.levels.data() + static_cast<std::size_t>(row) * out.pitch;
        for (unsigned col = 0; col < bm.width; ++col)
            dst[col] = static_cast<uint8_t>((src[col] * 64u + top / 2) / top);
    }
    return out;
}

std::optional<TextExtent> textExtent(FontHandle h, std::string_view text)
{
    Font* font = findFont(h);
    if (!font)
        return std::nullopt;
    TextExtent extent{0, font->metrics.height};
    for (char c : text) {
        const FT_UInt index = glyphIndex(font->face, static_cast<uint8_t>(c));
        if (index != 0 && FT_Load_Glyph(font->face, index, loadFlags) == 0)
            extent.cx += advanceOf(font->face->glyph);
    }
    return extent;
}

std::optional<TextMetrics> textMetrics(FontHandle h)
{
    Font* font = findFont(h);
    if (!font)
        return std::nullopt;
    return font->metrics;
}

uint32_t unicodeFromWindows1252(uint8_t code)
{
    // 0x80..0x9F; zero marks the five codes 1252 leaves free.
    static constexpr uint16_t high[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    if (code >= 0x80 && code <= 0x9F && high[code - 0x80] != 0)
        return high[code - 0x80];
    return code;
}

} // namespace plat
