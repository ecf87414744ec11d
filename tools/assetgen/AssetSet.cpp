// The complete data set: every file the game opens, rendered in memory and written to a run directory.
#include "tools/assetgen/AssetSet.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tools/assetgen/Bmp.h"
#include "tools/assetgen/FontFile.h"
#include "tools/assetgen/Music.h"
#include "tools/assetgen/Render.h"
#include "tools/assetgen/Sound.h"

namespace assetgen {

std::vector<PictureAsset> renderPictures() {
    std::vector<PictureAsset> out;
    const Picture menu = renderMenu();
    out.push_back({"Data/Menu/Menu.bmp", menu, false});
    for (const MenuButton& b : menuButtons)
        out.push_back({b.path, renderMenu(b.element).crop(b.picture), false});
    out.push_back({"Data/Menu/galka.bmp", renderMenu(MenuElement::None, true).crop(musicTick), false});
    for (int rank = 0; rank < 4; ++rank) {
        const Badge& b = badges.at(static_cast<std::size_t>(rank));
        out.push_back({b.path, renderMenu(MenuElement::None, false, rank).crop(b.picture), false});
    }

    out.push_back({"Data/cursor.bmp", renderCursor(), true});
    out.push_back({"Data/horse.bmp", renderPieceStrip(), true});
    out.push_back({"Data/no.bmp", renderVisited(), true});
    out.push_back({"Data/here.bmp", renderHint(false), true});
    out.push_back({"Data/yes.bmp", renderHint(true), true});

    for (const BoardLayout& b : boards) {
        out.push_back({b.fieldPath, renderBoard(b), false});
        out.push_back({b.endPath, renderBoard(b, true).crop(b.endPicture), false});
    }

    out.push_back({"Data/Menu/Youloose.bmp", renderLostPanel(), false});
    out.push_back({"Data/Menu/YLMask.bmp", renderLostMask(), false});
    out.push_back({"Data/Menu/Ja.bmp", renderLostPanel(LostElement::Yes).crop(yesPicture), false});
    out.push_back({"Data/Menu/Nein.bmp", renderLostPanel(LostElement::No).crop(noPicture), false});

    out.push_back({"Data/Congratulaions.bmp", renderWon(), false});
    out.push_back({"Data/Menu/authors().bmp", renderAuthors(), false});
    return out;
}

namespace {
template <typename Bytes>
void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}
} // namespace

void generateAll(const std::string& runDir) {
    const std::filesystem::path root(runDir);
    for (const PictureAsset& a : renderPictures()) writeFile(root / a.path, encodeBmp(a.picture));
    writeFile(root / clickPath, encodeWav(synthClick()));
    writeFile(root / chimePath, encodeWav(synthChime()));
    writeFile(root / musicPath, encodeSmf(composeMusic()));
    writeFontFiles(runDir);
}

} // namespace assetgen
