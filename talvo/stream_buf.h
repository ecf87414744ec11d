// A standard stream buffer that can also name itself and tell the last error of its file.
#pragma once

#include <streambuf>

#include "talvo/error_info.h"

namespace talvo::io {

class StreamBufEx : public std::streambuf {
public:
    // The error detail of the underlying file, or null when there is none.
    [[nodiscard]] virtual const ErrorInfo* lastFileError() const noexcept { return nullptr; }
    // The buffer's name text (never null; empty when it has none).
    [[nodiscard]] virtual const char* name() const noexcept { return ""; }
};

}  // namespace talvo::io
