// Fuzz target: arbitrary bytes as a JPEG file through JpgDecoder, decoded twice on one decoder.
#include "img/jpg_decoder.h"
#include "img_decoder_fuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    imgfuzz::quietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The header alone tells the size, before load allocates for it.
    try {
        imgfuzz::Stream stream(data, size, 0);
        talvo::g::JpgDecoder decoder;
        decoder.open(stream.in());
        talvo::g::ImageInfo info;
        decoder.info(info);
        if (std::int64_t{info.width} * info.height > imgfuzz::maxPixels) return 0;
    } catch (const talvo::Exception&) {
    }
    imgfuzz::run<talvo::g::JpgDecoder>(data, size, 2);
    return 0;
}
