// Depth images from text files: the whole file is read and checked before the image changes.
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <memory>

#include <sys/stat.h>

#include "sprite/ctyRuntime.h"
#include "sprite/imgCTy.h"
#include "sprite/imgScopedLock.h"

namespace {

// -30000.0 in 16.16: stored for a value that truncates to 0, so no loaded pixel holds 0.
constexpr std::uint32_t zeroDepth = 0x8AD00000;

// The whitespace-separated words of a text file, as the "%d\n" and "%f\n" reads take them.
class Words {
public:
    explicit Words(std::FILE* file) : file_(file) {}
    // False at the end of the file, or for a word too long to be a number.
    bool Next()
    {
        int c;
        do c = getc_unlocked(file_);
        while (c != EOF && std::isspace(c));
        std::size_t n = 0;
        for (; c != EOF && !std::isspace(c); c = getc_unlocked(file_)) {
            if (n + 1 >= sizeof text_) return false;
            text_[n++] = static_cast<char>(c);
        }
        text_[n] = '\0';
        return n > 0;
    }
    // The word as a size of 1 or more; 0 when it is none.
    [[nodiscard]] std::int32_t Size() const
    {
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(text_, &end, 10);
        return *end == '\0' && errno == 0 && value > 0 && value <= INT32_MAX ? static_cast<std::int32_t>(value) : 0;
    }
    // The word read as a single-precision number and stored as 16.16; false when it is not a
    // number or trunc(v * 65536) leaves 32 signed bits.
    [[nodiscard]] bool Depth(std::uint32_t& out) const
    {
        char* end = nullptr;
        const float v = std::strtof(text_, &end);
        const double fixed = static_cast<double>(v) * 65536.0;
        if (*end != '\0' || !(fixed > -2147483649.0 && fixed < 2147483648.0)) return false;
        const auto pel = static_cast<std::int32_t>(fixed);
        out = pel != 0 ? static_cast<std::uint32_t>(pel) : zeroDepth;
        return true;
    }

private:
    std::FILE* file_;
    char text_[128];
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct BlockFree {
    void operator()(void* block) const { ctyFree(block); }
};

}  // namespace

void imgCTy::LoadDepthText(const char* name)
{
    std::unique_ptr<std::FILE, FileCloser> file(name != nullptr ? std::fopen(name, "r") : nullptr);
    if (file == nullptr) {
        ctySetError(ctyCodeOpenFailed, name);
        return;
    }
    Words words(file.get());
    const std::int32_t w = words.Next() ? words.Size() : 0;
    const std::int32_t h = w > 0 && words.Next() ? words.Size() : 0;
    const std::int64_t bytes = PelBlockBytes(w, h, 10);
    if (w == 0 || h == 0 || bytes < 0) {
        ctyErrorf(4, "imgCTy::LoadDepthText: %s has no valid width and height", name);
        return;
    }
    // Every value takes two bytes at least, so a file too short for its size is refused before
    // the values are given memory.
    const std::int64_t count = std::int64_t{w} * h;
    struct stat info {};
    if (fstat(fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode) && count > (info.st_size + 1) / 2) {
        ctyErrorf(4, "imgCTy::LoadDepthText: %s is too short for %d x %d values", name, w, h);
        return;
    }
    std::unique_ptr<void, BlockFree> block(ctyAlloc(static_cast<std::size_t>(bytes)));
    if (block == nullptr) return;  // ctyAlloc has posted -2
    auto* values = static_cast<std::uint32_t*>(block.get());
    for (std::int64_t i = 0; i < count; ++i) {
        if (!words.Next() || !words.Depth(values[i])) {
            ctyErrorf(4, "imgCTy::LoadDepthText: value %d of %s is missing or no depth that fits 16.16",
                      static_cast<int>(i), name);
            return;
        }
    }

    const imgPelFmt depth(pelKindNumber(PelKind::Depth), nullptr);
    Create(w, h, &depth);
    // An image that cannot hold depth values (it has posted why) gets none.
    if (width != w || height != h || pelFmt.kind != PelKind::Depth) return;
    imgScopedLock lock(*this, nullptr, 0);
    for (std::int32_t r = 0; r < h; ++r) {
        std::uint8_t* row = lock.Span(0, r, w);
        if (row != nullptr) std::memcpy(row, values + std::int64_t{r} * w, std::size_t{4} * static_cast<std::size_t>(w));
    }
}
