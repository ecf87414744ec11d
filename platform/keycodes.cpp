// Key names of the headless scripts and the character each plain key types.
#include "platform/keycodes.h"

#include <array>
#include <cctype>

namespace plat {
namespace {

struct NamedKey {
    std::string_view name;
    KeyCodes codes;
};

// Keys beyond letters and digits, named as the script language spells them.
constexpr std::array namedKeys{
    NamedKey{"ESCAPE", {vk::Escape, dik::Escape}},
    NamedKey{"ESC", {vk::Escape, dik::Escape}},
    NamedKey{"SPACE", {vk::Space, dik::Space}},
    NamedKey{"RETURN", {vk::Return, dik::Return}},
    NamedKey{"ENTER", {vk::Return, dik::Return}},
    NamedKey{"TAB", {vk::Tab, dik::Tab}},
    NamedKey{"BACK", {vk::Back, dik::Back}},
    NamedKey{"BACKSPACE", {vk::Back, dik::Back}},
    NamedKey{"LEFT", {vk::Left, dik::Left}},
    NamedKey{"RIGHT", {vk::Right, dik::Right}},
    NamedKey{"UP", {vk::Up, dik::Up}},
    NamedKey{"DOWN", {vk::Down, dik::Down}},
    NamedKey{"HOME", {vk::Home, dik::Home}},
    NamedKey{"END", {vk::End, dik::End}},
    NamedKey{"PRIOR", {vk::Prior, dik::Prior}},
    NamedKey{"PAGEUP", {vk::Prior, dik::Prior}},
    NamedKey{"NEXT", {vk::Next, dik::Next}},
    NamedKey{"PAGEDOWN", {vk::Next, dik::Next}},
    NamedKey{"INSERT", {vk::Insert, dik::Insert}},
    NamedKey{"DELETE", {vk::Delete, dik::Delete}},
    NamedKey{"LSHIFT", {vk::LShift, dik::LShift}},
    NamedKey{"RSHIFT", {vk::RShift, dik::RShift}},
    NamedKey{"LCONTROL", {vk::LControl, dik::LControl}},
    NamedKey{"RCONTROL", {vk::RControl, dik::RControl}},
    NamedKey{"LALT", {vk::LMenu, dik::LMenu}},
    NamedKey{"RALT", {vk::RMenu, dik::RMenu}},
    NamedKey{"F1", {vk::F1, dik::F1}},
    NamedKey{"F2", {vk::F1 + 1, dik::F2}},
    NamedKey{"F3", {vk::F1 + 2, dik::F3}},
    NamedKey{"F4", {vk::F1 + 3, dik::F4}},
    NamedKey{"F5", {vk::F5, dik::F5}},
    NamedKey{"F6", {vk::F1 + 5, dik::F6}},
    NamedKey{"F7", {vk::F1 + 6, dik::F7}},
    NamedKey{"F8", {vk::F1 + 7, dik::F8}},
    NamedKey{"F9", {vk::F9, dik::F9}},
    NamedKey{"F10", {vk::F1 + 9, dik::F10}},
    NamedKey{"F11", {vk::F1 + 10, dik::F11}},
    NamedKey{"F12", {vk::F1 + 11, dik::F12}},
};

// Scan codes of the letters in alphabetical order (the keyboard's rows do not follow it).
constexpr std::array<int, 26> letterScanCodes{
    dik::A, dik::B, dik::C, dik::D, dik::E, dik::F, dik::G, dik::H, dik::I, dik::J, dik::K, dik::L, dik::M,
    dik::N, dik::O, dik::P, dik::Q, dik::R, dik::S, dik::T, dik::U, dik::V, dik::W, dik::X, dik::Y, dik::Z};

bool equalsUpper(std::string_view a, std::string_view upper)
{
    if (a.size() != upper.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != upper[i])
            return false;
    return true;
}

} // namespace

std::optional<KeyCodes> keyCodesFromName(std::string_view name)
{
    if (name.size() == 1) {
        const int c = std::toupper(static_cast<unsigned char>(name[0]));
        if (c >= 'A' && c <= 'Z')
            return KeyCodes{vk::LetterA + (c - 'A'), letterScanCodes[static_cast<std::size_t>(c - 'A')]};
        if (c >= '0' && c <= '9')
            return KeyCodes{vk::Digit0 + (c - '0'), c == '0' ? dik::Digit0 : dik::Digit1 + (c - '1')};
    }
    for (const NamedKey& key : namedKeys)
        if (equalsUpper(name, key.name))
            return key.codes;
    return std::nullopt;
}

int characterOfVirtualKey(int virtualKey)
{
    if (virtualKey >= vk::LetterA && virtualKey < vk::LetterA + 26)
        return 'a' + (virtualKey - vk::LetterA);
    if (virtualKey >= vk::Digit0 && virtualKey < vk::Digit0 + 10)
        return virtualKey;
    switch (virtualKey) {
    case vk::Space: return ' ';
    case vk::Escape: return 0x1B;
    case vk::Return: return '\r';
    case vk::Back: return 0x08;
    case vk::Tab: return '\t';
    default: return 0;
    }
}

} // namespace plat
