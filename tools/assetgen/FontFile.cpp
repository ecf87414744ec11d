// The game's font: a free TrueType font copied as Alpine.ttf, with its licence beside it.
#include "tools/assetgen/FontFile.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tools/assetgen/Style.h"

namespace assetgen {

namespace {
std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        throw std::runtime_error("cannot write " + path);
}
} // namespace

std::string alpineSource() { return fontFile(Face::SansCondensed); }

std::string fontCreditLine() { return "DejaVu Sans Condensed (Debian-Paket fonts-dejavu-extra)"; }

void writeFontFiles(const std::string& runDir) {
    writeAll(runDir + "/" + fontFileName, readAll(alpineSource()));
    std::string licence =
        "Alpine.ttf is an unmodified copy of DejaVuSansCondensed.ttf (font family \"DejaVu Sans\",\n"
        "style \"Condensed\") from the Debian package fonts-dejavu-extra, renamed only as a file so\n"
        "that the game finds it under the name it opens. Its licence, as the package states it:\n\n";
    licence += readAll(ASSETGEN_FONT_LICENSE);
    writeAll(runDir + "/" + fontLicenceName, licence);
}

} // namespace assetgen
