// Fuzz target: imgRowCTy Read and LoadInPlace over any bytes; an accepted stream reads every
// pixel, and writing it and reading that back gives the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "sprite/ctyMemBuffer.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgRowCTy.h"

namespace {

// The buffer's own growth adds 10 MiB per write; a block of about the input's size keeps the
// fuzzer fast and changes nothing that is read.
void reserve(ctyMemBuffer& buffer, std::size_t size)
{
    buffer.data = static_cast<std::uint8_t*>(ctyAlloc(size + 4096));
    buffer.capacity = buffer.data != nullptr ? static_cast<std::int32_t>(size + 4096) : 0;
}

void fill(ctyMemBuffer& buffer, const std::uint8_t* data, std::size_t size)
{
    reserve(buffer, size);
    buffer.Write(data, static_cast<std::int32_t>(size));
    buffer.position = 0;
}

// An image read from a stream: every pixel readable, and write -> read -> write stable.
void check(imgRowCTy& image)
{
    std::uint32_t sum = 0;
    for (int y = 0; y < image.height && image.width > 0; ++y)
        for (int x = 0; x < image.width; ++x) sum += image.PelAtXY(x, y);
    const std::size_t bytes = static_cast<std::size_t>(imgCTy::PelBlockBytes(image.width, image.height, image.pelFmt.kind));
    ctyMemBuffer first, second;
    reserve(first, bytes);
    reserve(second, bytes);
    image.Write(first);
    first.position = 0;
    imgRowCTy again;
    again.Read(first);
    again.Write(second);
    if (first.failed || second.failed || first.length != second.length ||
        (first.length > 0 && std::memcmp(first.data, second.data, static_cast<std::size_t>(first.length)) != 0))
        std::abort();
    (void)sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > (1u << 24)) return 0;
    ctyError = ctyErrorRecord{};
    {
        ctyMemBuffer buffer;
        fill(buffer, data, size);
        imgRowCTy image;
        image.Read(buffer);
        if (!buffer.failed) check(image);
    }
    ctyMemBuffer buffer;
    fill(buffer, data, size);
    imgRowCTy inPlace;
    const int taken = inPlace.LoadInPlace(buffer);
    if (taken != (buffer.failed ? 0 : 1)) std::abort();
    if (taken == 1) {
        if (inPlace.pels != nullptr && inPlace.pels != buffer.data + buffer.position) std::abort();
        check(inPlace);
    }
    return 0;
}
