// Turns the compiler's mangled type names into "class a::b::C".
#include "talvo/type_name.h"

#include <cxxabi.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace talvo {

namespace {

struct FreeDeleter {
    void operator()(char* p) const noexcept { std::free(p); }
};

std::size_t appendCut(char* buffer, std::size_t size, std::size_t at, const char* text) noexcept {
    if (at >= size) return at;
    const std::size_t room = size - 1 - at;
    std::size_t n = std::strlen(text);
    if (n > room) n = room;
    std::memcpy(buffer + at, text, n);
    buffer[at + n] = '\0';
    return at + n;
}

}  // namespace

std::size_t formatTypeName(const std::type_info& type, char* buffer, std::size_t size) noexcept {
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    int status = 0;
    // Demangling allocates; a failed demangle falls back to the raw name rather than to nothing.
    std::unique_ptr<char, FreeDeleter> demangled(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status));
    const char* name = (status == 0 && demangled) ? demangled.get() : type.name();
    std::size_t n = appendCut(buffer, size, 0, "class ");
    return appendCut(buffer, size, n, name);
}

std::string readableTypeName(const std::type_info& type) {
    char buffer[512];
    const std::size_t n = formatTypeName(type, buffer, sizeof buffer);
    return std::string(buffer, n);
}

}  // namespace talvo
