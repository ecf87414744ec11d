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

std::string alpineSource() { return fontFile(Face::Alpine); }

std::string fontCreditLine() { return "Open Sans Semibold von Steve Matteson"; }

void writeFontFiles(const std::string& runDir) {
    writeAll(runDir + "/" + fontFileName, readAll(alpineSource()));
    std::string licence =
        "Alpine.ttf is an unmodified copy of OpenSans-Semibold.ttf (font family \"Open Sans\",\n"
        "style \"Semibold\", by Steve Matteson) from the Debian package fonts-open-sans, renamed only\n"
        "as a file so that the game finds it under the name it opens.\n"
        "Open Sans is a trademark of Google and may be registered in certain jurisdictions.\n\n"
        "Copyright and licence, as the package states them:\n\n";
    licence += readAll(ASSETGEN_ALPINE_COPYRIGHT);
    licence += "\n\nThe complete text of the Apache License, Version 2.0:\n\n";
    licence += readAll(ASSETGEN_ALPINE_LICENSE);
    writeAll(runDir + "/" + fontLicenceName, licence);
}

} // namespace assetgen
