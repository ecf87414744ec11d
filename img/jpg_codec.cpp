// libjpeg's error manager and data source for the JPEG decoder, and the jump back out of libjpeg.
#include "img/jpg_codec.h"

#include <jerror.h>

#include "talvo/error_info.h"
#include "talvo/istream.h"
#include "talvo/stream_buf.h"

namespace talvo::g {

// The callbacks libjpeg calls; none of them lets an exception or a return-after-error escape.
struct JpgCallbacks {
    static JpgCodec& codec(j_common_ptr info) noexcept { return *static_cast<JpgCodec*>(info->client_data); }
    static JpgCodec& codec(j_decompress_ptr info) noexcept { return *static_cast<JpgCodec*>(info->client_data); }

    [[noreturn]] static void fail(j_common_ptr info, const SourceLocation& where) noexcept {
        JpgCodec& c = codec(info);
        (*info->err->format_message)(info, c.message_);
        c.where_ = where;
        std::longjmp(c.jump_, 1);
    }

    [[noreturn]] static void JpgErrCatch(j_common_ptr info) noexcept {
        fail(info, TALVO_SOURCE_LOCATION("talvo::g::JpgDecoder::JpgErrCatch"));
    }
    [[noreturn]] static void JpgOutputMessage(j_common_ptr info) noexcept {
        fail(info, TALVO_SOURCE_LOCATION("talvo::g::JpgDecoder::JpgOutputMessage"));
    }
    // The warning count only grows in the branch that returns, and it starts at 0: every warning raises.
    static void JpgEmitMessage(j_common_ptr info, int level) noexcept {
        jpeg_error_mgr& errors = *info->err;
        if (level < 0) {
            if (errors.num_warnings != 0 && errors.trace_level < 3) {
                ++errors.num_warnings;
                return;
            }
            fail(info, TALVO_SOURCE_LOCATION("talvo::g::JpgDecoder::JpgEmitMessage"));
        }
        if (errors.trace_level < level) return;
        fail(info, TALVO_SOURCE_LOCATION("talvo::g::JpgDecoder::JpgEmitMessage"));
    }

    // Also empties the buffer: bytes left from an earlier pass (after its end marker) are not this one's.
    static void JpgInitSource(j_decompress_ptr info) noexcept {
        JpgCodec& c = codec(info);
        c.startOfFile_ = 1;
        c.source_.bytes_in_buffer = 0;
        c.source_.next_input_byte = nullptr;
    }

    // With eof in the mask a short read would throw, and the bytes it did read would be lost with its
    // count: there a short block sets nothing, and only a fill that gets no byte meets eof.
    static std::size_t fill(io::IStream& stream, JOCTET* into) {
        if ((stream.exceptions() & io::eofBit) == 0) return stream.readPartial(into, JpgCodec::fillBytes);
        return stream.readUpTo(into, JpgCodec::fillBytes);
    }

    static boolean JpgFillInputBuffer(j_decompress_ptr info) noexcept {
        JpgCodec& c = codec(info);
        std::size_t got = 0;
        bool threw = false;
        try {
            got = fill(*c.stream_, c.buffer_.get());
        } catch (...) {
            // Data that runs out is the file's fault, told below in libjpeg's words whatever the
            // stream's mask; a stream that could not read raises its own failure.
            if (!c.stream_->eof() || c.stream_->bad()) {
                c.pending_ = std::current_exception();
                threw = true;
            }
        }
        if (threw) std::longjmp(c.jump_, 1);  // outside the handler, so nothing is left to unwind
        if (got == 0) {
            if (c.startOfFile_ != 0) ERREXIT(info, JERR_INPUT_EMPTY);
            WARNMS(info, JWRN_JPEG_EOF);
            c.buffer_[0] = 0xFF;
            c.buffer_[1] = JPEG_EOI;
            got = 2;
        }
        c.source_.next_input_byte = c.buffer_.get();
        c.source_.bytes_in_buffer = got;
        c.startOfFile_ = 0;
        return TRUE;
    }

    static void JpgSkipInputData(j_decompress_ptr info, long count) noexcept {
        if (count <= 0) return;
        jpeg_source_mgr& source = *info->src;
        while (count > static_cast<long>(source.bytes_in_buffer)) {
            count -= static_cast<long>(source.bytes_in_buffer);
            JpgFillInputBuffer(info);
        }
        source.next_input_byte += count;
        source.bytes_in_buffer -= static_cast<std::size_t>(count);
    }

    static void JpgTermSource(j_decompress_ptr) noexcept {}
};

JpgCodec::JpgCodec() {
    info_.err = jpeg_std_error(&errors_);
    errors_.error_exit = JpgCallbacks::JpgErrCatch;
    errors_.emit_message = JpgCallbacks::JpgEmitMessage;
    errors_.output_message = JpgCallbacks::JpgOutputMessage;
    info_.client_data = this;
}

JpgCodec::~JpgCodec() {
    if (created_) jpeg_destroy_decompress(&info_);
}

void JpgCodec::create(io::IStream& stream) {
    run([this] { jpeg_create_decompress(&info_); });  // keeps err and client_data
    created_ = true;
    JpgSetSource(stream);
}

void JpgCodec::JpgSetSource(io::IStream& stream) {
    if (!buffer_) buffer_ = std::make_unique_for_overwrite<JOCTET[]>(fillBytes);
    source_.init_source = JpgCallbacks::JpgInitSource;
    source_.fill_input_buffer = JpgCallbacks::JpgFillInputBuffer;
    source_.skip_input_data = JpgCallbacks::JpgSkipInputData;
    source_.resync_to_restart = jpeg_resync_to_restart;
    source_.term_source = JpgCallbacks::JpgTermSource;
    stream_ = &stream;
    source_.bytes_in_buffer = 0;
    source_.next_input_byte = nullptr;
    info_.src = &source_;
}

void JpgCodec::applySettings() noexcept {
    info_.out_color_space = JCS_EXT_BGR;
    info_.dct_method = JDCT_IFAST;
    info_.dither_mode = JDITHER_NONE;
}

void JpgCodec::abort() noexcept {
    if (created_) jpeg_abort_decompress(&info_);
}

std::uint8_t* JpgCodec::scanline(std::size_t bytes) {
    if (scanlineBytes_ < bytes) {
        scanline_ = std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
        scanlineBytes_ = bytes;
    }
    return scanline_.get();
}

void JpgCodec::raise() {
    // A create that failed half-way has only what jpeg_destroy frees, and it copes with nothing.
    if (created_) {
        jpeg_abort_decompress(&info_);
    } else {
        jpeg_destroy_decompress(&info_);
    }
    if (pending_) {
        const std::exception_ptr pending = std::move(pending_);
        pending_ = nullptr;
        std::rethrow_exception(pending);  // the stream has reported it already
    }
    // A file's name, as its stream's own failures give it: the message alone does not say which picture.
    const io::StreamBufEx* file = stream_ != nullptr ? stream_->extendedBuffer() : nullptr;
    reportAndThrow(where_, Exception(TextualErrorInfo(message_, file != nullptr ? file->name() : nullptr)));
}

}  // namespace talvo::g
