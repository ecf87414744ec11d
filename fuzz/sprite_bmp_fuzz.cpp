// Fuzz target: imgCTy::ReadBmp over any bytes into a plain image and a run-length sprite; a file
// the plain image accepts saves and reads back the same.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_files.h"
#include "img/image_decoder.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgRle8CTy.h"
#include "sprite/imgRowCTy.h"
#include "talvo/istream.h"
#include "talvo/mem_buf.h"

namespace {

// Images the header may declare: larger ones take the same paths, only longer (a cut file may
// still ask for a megabyte of zero rows that the sprite then codes row by row); the reader's own
// limit has its unit test. Far more pixels than the input holds are refused cheaply: those go through.
constexpr std::int64_t pelLimit = std::int64_t{1} << 16;

void readFrom(imgCTy& image, const std::uint8_t* data, std::size_t size)
{
    talvo::io::MemBuf buffer;
    char* block = static_cast<char*>(std::malloc(size + 1));
    if (size != 0) std::memcpy(block, data, size);
    buffer.set(block, size, size);
    talvo::io::IStream in(&buffer);
    in.exceptions(0);
    image.ReadBmp(in);
}

std::int64_t declaredPels(const std::uint8_t* data, std::size_t size)
{
    if (size < 26) return 0;
    std::int32_t width, height;
    std::memcpy(&width, data + 18, 4);
    std::memcpy(&height, data + 22, 4);
    return std::int64_t{width} * (height < 0 ? -std::int64_t{height} : height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::int64_t pels = declaredPels(data, size);
    if (pels > pelLimit && pels <= std::int64_t(size) + talvo::g::maxMissingPictureBytes) return 0;
    static const std::string path = fuzz::tempFolder() + "/saved.bmp";
    // A run-length sprite takes the same bytes through its own Create, Lock and Unlock.
    {
        imgRle8CTy sprite;
        readFrom(sprite, data, size);
    }
    ctyError = ctyErrorRecord{};
    imgRowCTy image;
    readFrom(image, data, size);
    if (ctyError.code != 0 || image.pels == nullptr) return 0;

    image.SaveBmp(path.c_str());
    if (ctyError.code != 0) std::abort();
    imgRowCTy again;
    again.LoadBmp(path.c_str());
    const std::int64_t bytes = imgCTy::PelBlockBytes(image.width, image.height, image.pelFmt.kind);
    if (ctyError.code != 0 || again.width != image.width || again.height != image.height ||
        again.pelFmt.kind != image.pelFmt.kind ||
        std::memcmp(again.pels, image.pels, static_cast<std::size_t>(bytes)) != 0)
        std::abort();
    return 0;
}
