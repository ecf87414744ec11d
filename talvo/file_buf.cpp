// Buffered reading and writing over the library's files, after the standard file buffer.
#include "talvo/file_buf.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace talvo::io {

namespace {

constexpr std::size_t kMinBuffer = 4096;

std::int64_t lineFeeds(const char* from, const char* to) {
    return static_cast<std::int64_t>(std::count(from, to, '\n'));
}

}  // namespace

std::size_t BasicFileBuf::defaultBufferSize() noexcept {
    const std::size_t page = AbstractFile::pageSize();
    return (kMinBuffer + page - 1) / page * page;
}

BasicFileBuf::BasicFileBuf(AbstractFile* file, std::string name) : file_(file), name_(std::move(name)) {}

BasicFileBuf::~BasicFileBuf() {
    if (state_ == State::writing && is_open()) writePending();
}

const ErrorInfo* BasicFileBuf::lastFileError() const noexcept {
    return file_ != nullptr ? &file_->lastError() : nullptr;
}

bool BasicFileBuf::modeHas(std::ios_base::openmode bit) const noexcept {
    return file_ != nullptr && (file_->mode() & bit) != std::ios_base::openmode{};
}

bool BasicFileBuf::binary() const noexcept { return modeHas(std::ios_base::binary); }

bool BasicFileBuf::makeBuffer() {
    if (data_ != nullptr) return true;
    if (callerBuffer_ != nullptr) {
        data_ = callerBuffer_;
        capacity_ = callerSize_;
        return true;
    }
    capacity_ = unbuffered_ ? 1 : defaultBufferSize();
    own_ = std::make_unique<char[]>(putbackSize + capacity_);
    data_ = own_.get() + putbackSize;
    return true;
}

BasicFileBuf::int_type BasicFileBuf::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (!is_open() || !modeHas(std::ios_base::in)) return traits_type::eof();
    if (state_ == State::writing || state_ == State::error) return traits_type::eof();
    makeBuffer();
    // Keep the last few characters in front of the new block so they can be put back.
    std::size_t kept = 0;
    if (own_ && state_ == State::reading && gptr() != nullptr) {
        kept = std::min<std::size_t>(putbackSize, static_cast<std::size_t>(gptr() - eback()));
        std::memmove(data_ - kept, gptr() - kept, kept);
    }
    state_ = State::reading;
    const std::size_t got = file_->read(data_, capacity_);
    setg(data_ - kept, data_, data_ + got);
    return got == 0 ? traits_type::eof() : traits_type::to_int_type(*gptr());
}

BasicFileBuf::int_type BasicFileBuf::pbackfail(int_type c) {
    if (gptr() == nullptr || gptr() <= eback()) return traits_type::eof();
    gbump(-1);
    if (!traits_type::eq_int_type(c, traits_type::eof()) && !traits_type::eq(*gptr(), traits_type::to_char_type(c)))
        *gptr() = traits_type::to_char_type(c);
    return traits_type::not_eof(c);
}

bool BasicFileBuf::writeOut(const char* data, std::size_t count) {
    if (binary()) return file_->write(data, count) == count;
    // Text mode: LF goes out as CR LF, in small chunks; a chunk taken in part ends the write.
    char chunk[512];
    std::size_t used = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (data[i] == '\n') chunk[used++] = '\r';
        chunk[used++] = data[i];
        if (used >= sizeof chunk - 1 || i + 1 == count) {
            if (file_->write(chunk, used) != used) return false;
            used = 0;
        }
    }
    return true;
}

bool BasicFileBuf::writePending() {
    if (state_ != State::writing) return true;
    const std::size_t count = static_cast<std::size_t>(pptr() - pbase());
    if (count > 0 && !writeOut(pbase(), count)) {
        state_ = State::error;
        setp(nullptr, nullptr);
        return false;
    }
    setp(data_, data_ + (unbuffered_ ? 0 : capacity_));
    return true;
}

BasicFileBuf::int_type BasicFileBuf::overflow(int_type c) {
    if (!is_open() || !modeHas(std::ios_base::out)) return traits_type::eof();
    if (state_ == State::reading || state_ == State::error) return traits_type::eof();
    makeBuffer();
    if (state_ == State::idle) {
        state_ = State::writing;
        setp(data_, data_ + (unbuffered_ ? 0 : capacity_));
    }
    if (traits_type::eq_int_type(c, traits_type::eof())) return writePending() ? traits_type::not_eof(c) : traits_type::eof();
    if (pptr() < epptr()) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    if (!writePending()) return traits_type::eof();
    if (pptr() < epptr()) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    const char ch = traits_type::to_char_type(c);
    if (!writeOut(&ch, 1)) {
        state_ = State::error;
        return traits_type::eof();
    }
    return c;
}

int BasicFileBuf::sync() {
    if (state_ == State::writing) return writePending() ? 0 : -1;
    return state_ == State::error ? -1 : 0;
}

std::streamsize BasicFileBuf::showmanyc() {
    if (!is_open() || state_ == State::writing || state_ == State::error) return -1;
    if (gptr() < egptr()) return egptr() - gptr();
    const std::int64_t at = file_->seek(0, SeekDir::current);
    const std::int64_t size = file_->size();
    return at >= 0 && size > at ? static_cast<std::streamsize>(size - at) : 0;
}

std::int64_t BasicFileBuf::readPosition() {
    const std::int64_t at = file_->seek(0, SeekDir::current);
    if (at < 0) return -1;
    if (state_ != State::reading || gptr() == nullptr) return at;
    std::int64_t buffered = egptr() - gptr();
    // The file dropped the CR of each CR LF; count it back in.
    if (!binary()) buffered += lineFeeds(gptr(), egptr());
    return std::max<std::int64_t>(0, at - buffered);
}

BasicFileBuf::pos_type BasicFileBuf::seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) {
    const pos_type failed(off_type(-1));
    if (!is_open() || state_ == State::error) return failed;
    if (dir == std::ios_base::cur && off == 0 && state_ == State::reading) {
        const std::int64_t at = readPosition();
        return at < 0 ? failed : pos_type(off_type(at));
    }
    if (!writePending()) return failed;

    std::int64_t target = off;
    SeekDir direction = SeekDir::begin;
    if (dir == std::ios_base::cur) {
        if (state_ == State::reading) {
            const std::int64_t at = readPosition();
            if (at < 0) return failed;
            target = at + off;
        } else {
            direction = SeekDir::current;
        }
    } else if (dir == std::ios_base::end) {
        direction = SeekDir::end;
    }
    if (target < std::numeric_limits<std::int32_t>::min() || target > std::numeric_limits<std::int32_t>::max())
        return failed;

    state_ = State::idle;
    setg(nullptr, nullptr, nullptr);
    setp(nullptr, nullptr);
    const std::int64_t at = file_->seek(static_cast<std::int32_t>(target), direction);
    return at < 0 ? failed : pos_type(off_type(at));
}

BasicFileBuf::pos_type BasicFileBuf::seekpos(pos_type pos, std::ios_base::openmode which) {
    return seekoff(off_type(pos), std::ios_base::beg, which);
}

std::streambuf* BasicFileBuf::setbuf(char* buffer, std::streamsize size) {
    if (data_ != nullptr) return this;
    if (buffer == nullptr && size == 0) {
        unbuffered_ = true;
    } else if (buffer != nullptr && size > 0) {
        callerBuffer_ = buffer;
        callerSize_ = static_cast<std::size_t>(size);
    }
    return this;
}

bool BasicFileBuf::resetBuffer() {
    const bool ok = writePending();
    state_ = State::idle;
    setg(nullptr, nullptr, nullptr);
    setp(nullptr, nullptr);
    return ok;
}

FileBuf::FileBuf() : BasicFileBuf(nullptr) { setFile(&file_); }

FileBuf::FileBuf(int fd, OpenMode mode) : BasicFileBuf(nullptr) {
    setFile(&file_);
    file_.attach(fd, mode);
}

FileBuf::FileBuf(const char* name, OpenMode mode) : BasicFileBuf(nullptr, name != nullptr ? name : "") {
    setFile(&file_);
    file_.open(name, mode);
}

FileBuf::~FileBuf() {
    if (file_.isOpen()) close();
    setFile(nullptr);
}

FileBuf* FileBuf::open(const char* name, OpenMode mode) {
    if (file_.isOpen()) return nullptr;
    resetBuffer();
    return file_.open(name, mode) ? this : nullptr;
}

FileBuf* FileBuf::close() {
    if (!file_.isOpen()) return nullptr;
    const bool written = resetBuffer();
    const bool closed = file_.close();
    return written && closed ? this : nullptr;
}

}  // namespace talvo::io
