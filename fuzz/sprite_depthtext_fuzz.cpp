// Fuzz target: imgCTy::LoadDepthText over any file; an accepted file gives a kind-10 image
// without a zero pixel, a refused one leaves the image empty.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_files.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgRowCTy.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = fuzz::tempFolder() + "/depth.txt";
    fuzz::writeFile(path, data, size);
    ctyError = ctyErrorRecord{};
    imgRowCTy image;
    image.LoadDepthText(path.c_str());
    if (ctyError.code != 0) {
        if (image.width != 0 || image.pels != nullptr) std::abort();
        return 0;
    }
    if (image.pelFmt.kind != 10 || image.width <= 0 || image.height <= 0 || image.pels == nullptr) std::abort();
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.PelAtXY(x, y) == 0) std::abort();
    return 0;
}
