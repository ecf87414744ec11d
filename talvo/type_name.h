// Readable names of dynamic types, in the form the log and the exceptions show them.
#pragma once

#include <cstddef>
#include <string>
#include <typeinfo>

namespace talvo {

// Writes "class " and the fully qualified name (e.g. "class talvo::io::Failure") into the buffer,
// cut to size - 1 characters and terminated. Returns the characters written.
std::size_t formatTypeName(const std::type_info& type, char* buffer, std::size_t size) noexcept;

// The same text as a string.
[[nodiscard]] std::string readableTypeName(const std::type_info& type);

}  // namespace talvo
