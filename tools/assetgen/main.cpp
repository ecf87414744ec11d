// Writes the game's data set into the folder given on the command line.
#include <iostream>

#include "tools/assetgen/Canvas.h"
#include "tools/assetgen/Render.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    assetgen::writePng(assetgen::renderMenu(assetgen::MenuElement::Music, true, 2), std::string(argv[1]) + "/menu.png");
    return 0;
}
