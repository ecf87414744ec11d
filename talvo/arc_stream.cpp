// Archive stream: opening a file by name into a stream that owns its buffer.
#include "talvo/arc_stream.h"

#include <filesystem>

#include "talvo/file_buf.h"

namespace talvo::io {

ArcStreamMixin::ArcStreamMixin() noexcept = default;
ArcStreamMixin::~ArcStreamMixin() = default;

IArcStream::IArcStream() = default;

IArcStream::~IArcStream() = default;

const ArcSearchList& arcSearchList()
{
    static const ArcSearchList places;
    return places;
}

std::unique_ptr<FileBuf> arcResolveName(const ArcSearchList& list, const char* name)
{
    constexpr auto mode = std::ios_base::in | std::ios_base::binary;
    const std::string given = name != nullptr ? name : "";
    auto direct = std::make_unique<FileBuf>(given.c_str(), mode);
    if (direct->is_open() || std::filesystem::path(given).filename().empty())
        return direct;
    for (const std::string& place : list) {
        auto found = std::make_unique<FileBuf>((std::filesystem::path(place) / given).c_str(), mode);
        if (found->is_open())
            return found;
    }
    return direct;
}

void IArcStream::open(const char* name, std::ios_base::openmode, IoState mask)
{
    // The previous file (and an unpacked body read from it) is given up before its buffer goes.
    close();
    owned_ = arcResolveName(arcSearchList(), name);
    rdbuf(owned_.get());
    clear(0);
    exceptions(mask);
    if (!owned_->is_open()) {
        setstate(failBit, owned_->lastFileError());
        return;
    }
    if ((flags() & rawFlag) == 0)
        readStreamHeader();
}

}  // namespace talvo::io
