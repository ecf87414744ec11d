// Control characters as '?' and long text cut, for the lines the layer writes on stderr.
#include "platform/text_line.h"

namespace plat {
namespace {

// The length of the UTF-8 character at `at` (2 to 4), or 1 for a byte that starts none whole.
std::size_t characterLength(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4 : 1;
    if (length > text.size() - at)
        return 1;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80)
            return 1;
    return length;
}

} // namespace

std::string textInLine(std::string_view text, std::size_t shown)
{
    std::string line;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t length = characterLength(text, at);
        if (length > shown - at)
            break;
        const auto first = static_cast<unsigned char>(text[at]);
        // A lone byte of the C1 range is a control to a terminal that reads Latin-1.
        const bool control = length == 1 ? first < 0x20 || (first >= 0x7F && first <= 0x9F)
                                         : first == 0xC2 && static_cast<unsigned char>(text[at + 1]) <= 0x9F;
        if (control)
            line += '?';
        else
            line.append(text.substr(at, length));
        at += length;
    }
    if (at < text.size())
        line += "... (" + std::to_string(text.size()) + " bytes)";
    return line;
}

} // namespace plat
