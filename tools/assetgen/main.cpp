// Writes the game's data set into the run directory given on the command line;
// with --preview <dir> it also writes composed screens as PNG files for a person to look at.
#include <cstring>
#include <exception>
#include <iostream>

#include "tools/assetgen/AssetSet.h"
#include "tools/assetgen/Preview.h"

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--preview") == 0)) {
        std::cerr << "usage: assetgen <run-dir> [--preview <dir>]\n";
        return 2;
    }
    try {
        assetgen::generateAll(argv[1]);
        if (argc == 4) assetgen::writePreviews(argv[3]);
    } catch (const std::exception& e) {
        std::cerr << "assetgen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
