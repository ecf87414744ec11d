// Input stream that opens a file by name, owns its buffer and recognises the stream kind.
#pragma once

#include <ios>
#include <memory>
#include <string>
#include <vector>

#include "talvo/istream.h"

namespace talvo::io {

class FileBuf;

// The buffer an archive stream opened and owns.
class ArcStreamMixin {
public:
    ArcStreamMixin() noexcept;
    ArcStreamMixin(const ArcStreamMixin&) = delete;
    ArcStreamMixin& operator=(const ArcStreamMixin&) = delete;
    ~ArcStreamMixin();

protected:
    std::unique_ptr<FileBuf> owned_;
};

class IArcStream : public IStream, public ArcStreamMixin {
public:
    // No buffer yet: the state is bad until the stream is opened.
    IArcStream();
    ~IArcStream() override;

    // Opens the named file for reading (the mode is not consulted: always in and binary), stores the
    // mask and, unless the raw flag is set, reads the stream header. A file that cannot be opened
    // sets fail and throws only when the mask holds it. Opening again closes the previous file.
    void open(const char* name, std::ios_base::openmode mode, IoState mask);
};

// Folders an archive stream looks in for a name that does not open as given.
using ArcSearchList = std::vector<std::string>;

// The process-wide search list. Nothing adds a folder to it, so names open as given or not at all.
[[nodiscard]] const ArcSearchList& arcSearchList();

// A new buffer for the name, open or not: the name as given, else the first folder of the list under
// which it opens. An unopened buffer keeps the name as given for failure messages.
[[nodiscard]] std::unique_ptr<FileBuf> arcResolveName(const ArcSearchList& list, const char* name);

}  // namespace talvo::io
