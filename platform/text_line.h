// Outside text (a file name, a script's line, an environment value) as one line of a message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace plat {

// The text with each control character (C0, DEL, and C1 whether written as its UTF-8 code point
// or as a lone byte) shown as '?', so no name can start a line of its own; every other UTF-8
// character stays whole. Text longer than `shown` bytes is cut before the character that would
// cross it and followed by "... (N bytes)".
[[nodiscard]] std::string textInLine(std::string_view text, std::size_t shown = std::string_view::npos);

} // namespace plat
