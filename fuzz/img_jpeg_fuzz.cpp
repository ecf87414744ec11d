// Fuzz target: arbitrary bytes as a JPEG file through JpgDecoder, decoded twice on one decoder.
#include <cstdlib>

#include "img/jpg_decoder.h"
#include "img_decoder_fuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    imgfuzz::quietLog();
    // libjpeg's own ceiling on its coefficient arrays (read when a decompressor is created): a
    // progressive or multi-scan header of up to 2^28 pixels reaches load, and a large one fails there
    // with libjpeg's text instead of growing past the run's -rss_limit_mb.
    setenv("JPEGMEM", "256m", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Every header reaches load, which reserves the picture only once its first rows have arrived;
    // only the resampled decode skips large pictures.
    imgfuzz::run<talvo::g::JpgDecoder>(data, size, 2);
    return 0;
}
