// Fuzz target: arbitrary bytes as a TGA file through TgaDecoder.
#include "img/tga_decoder.h"
#include "img_decoder_fuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    imgfuzz::quietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The header's width and height, checked before load allocates for them. Far more pixels than
    // even 128 a byte could give are refused at the header, cheaply: those go through.
    const std::int64_t pixels = size >= 16 ? std::int64_t{data[12] | data[13] << 8} * (data[14] | data[15] << 8) : 0;
    if (pixels > imgfuzz::maxPixels && pixels <= 128 * std::int64_t(size) + talvo::g::maxMissingPictureBytes)
        return 0;
    imgfuzz::run<talvo::g::TgaDecoder>(data, size, 1);
    return 0;
}
