// Archive stream: opening a file by name into a stream that owns its buffer.
#include "talvo/arc_stream.h"

#include "talvo/file_buf.h"

namespace talvo::io {

ArcStreamMixin::ArcStreamMixin() noexcept = default;
ArcStreamMixin::~ArcStreamMixin() = default;

IArcStream::IArcStream() = default;

IArcStream::~IArcStream() = default;

std::unique_ptr<FileBuf> arcResolveName(const char* name)
{
    // No archive search places exist, so a name that does not open directly stays unopened.
    return std::make_unique<FileBuf>(name != nullptr ? name : "",
                                     std::ios_base::in | std::ios_base::binary);
}

void IArcStream::open(const char* name, std::ios_base::openmode, IoState mask)
{
    // The previous file (and an unpacked body read from it) is given up before its buffer goes.
    close();
    owned_ = arcResolveName(name);
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
