// The non-virtual part of the file interface: mode bookkeeping and the page size.
#include "talvo/abstract_file.h"

#include <unistd.h>

namespace talvo {

std::uint32_t AbstractFile::pageSize() noexcept {
    static const std::uint32_t size = [] {
        const long page = ::sysconf(_SC_PAGESIZE);
        return page > 0 ? static_cast<std::uint32_t>(page) : 4096u;
    }();
    return size;
}

AbstractFile::AbstractFile() noexcept { (void)pageSize(); }

AbstractFile::~AbstractFile() = default;

bool AbstractFile::open(const char* name, OpenMode mode) {
    if (!doOpen(name, mode)) return false;
    mode_ = mode;
    return true;
}

bool AbstractFile::close() {
    if (!isOpen()) return false;
    if (!doClose()) return false;
    mode_ = OpenMode{};
    return true;
}

}  // namespace talvo
