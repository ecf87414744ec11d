// The bridge to libjpeg: decompressor, stream data source and callbacks that never throw through C.
#pragma once

// jpeglib.h needs size_t and FILE declared before it.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>

#include <jpeglib.h>

#include "talvo/throw_report.h"

namespace talvo::io {
class IStream;
}

namespace talvo::g {

// libjpeg reports failures by callbacks that must not return; they keep the message (or the
// exception a stream read raised) and longjmp to run(), which raises it from C++ frames only.
class JpgCodec {
public:
    // libjpeg-turbo's fast Huffman path runs only while the buffer holds at least 512 bytes per block
    // of an MCU (3072 for 4:2:0), so the last few KiB of every fill decode slowly: with 4096-byte
    // fills nearly all of them.
    static constexpr std::size_t fillBytes = 262144;

    JpgCodec();
    JpgCodec(const JpgCodec&) = delete;
    JpgCodec& operator=(const JpgCodec&) = delete;
    ~JpgCodec();

    // Runs a libjpeg call. After a failure the pass is aborted, so the decompressor can start over
    // with a new header, and the failure raises: a stream exception as it was, libjpeg's message as
    // talvo::Exception through the throw report with the location of the callback that caught it.
    // NOTE: call must leave no C++ object with a destructor alive in the frames it longjmps over.
    template <class Call>
    void run(Call&& call) {
        pending_ = nullptr;
        if (setjmp(jump_) == 0) {
            call();
            return;
        }
        raise();
    }

    // Creates the decompressor with the data source over the stream.
    void create(io::IStream& stream);
    // B, G, R output, fast integer DCT, no dithering: before every header's output dimensions.
    void applySettings() noexcept;
    // Ends any pass, so the next header read starts over; harmless in any state.
    void abort() noexcept;

    [[nodiscard]] jpeg_decompress_struct& info() noexcept { return info_; }
    [[nodiscard]] std::uint8_t* scanline(std::size_t bytes);

private:
    friend struct JpgCallbacks;

    [[noreturn]] void raise();
    // Makes the data source read the stream (its buffer is allocated once) and the decompressor's source.
    void JpgSetSource(io::IStream& stream);

    jpeg_decompress_struct info_{};
    jpeg_error_mgr errors_{};
    jpeg_source_mgr source_{};
    io::IStream* stream_ = nullptr;
    std::int32_t startOfFile_ = 0;
    bool created_ = false;
    std::jmp_buf jump_{};
    std::exception_ptr pending_;
    SourceLocation where_{};
    char message_[JMSG_LENGTH_MAX] = {};
    std::unique_ptr<std::uint8_t[]> scanline_;
    std::size_t scanlineBytes_ = 0;
    std::unique_ptr<JOCTET[]> buffer_;
};

}  // namespace talvo::g
