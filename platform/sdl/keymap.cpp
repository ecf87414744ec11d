// Tables from SDL scancodes (physical key positions) to virtual-key codes and keyboard scan codes.
#include "platform/sdl/keymap.h"

#include "platform/keycodes.h"

#include <array>

namespace plat::sdl {
namespace {

struct KeyRow {
    SDL_Scancode sdl;
    int virtualKey;
    int scanCode;
};

// One row per key the framework can name; the modifiers give the undivided virtual keys
// (Shift, Control, Menu) as window key messages carry them.
constexpr KeyRow rows[] = {
    {SDL_SCANCODE_A, vk::LetterA + 0, dik::A},   {SDL_SCANCODE_B, vk::LetterA + 1, dik::B},
    {SDL_SCANCODE_C, vk::LetterA + 2, dik::C},   {SDL_SCANCODE_D, vk::LetterA + 3, dik::D},
    {SDL_SCANCODE_E, vk::LetterA + 4, dik::E},   {SDL_SCANCODE_F, vk::LetterA + 5, dik::F},
    {SDL_SCANCODE_G, vk::LetterA + 6, dik::G},   {SDL_SCANCODE_H, vk::LetterA + 7, dik::H},
    {SDL_SCANCODE_I, vk::LetterA + 8, dik::I},   {SDL_SCANCODE_J, vk::LetterA + 9, dik::J},
    {SDL_SCANCODE_K, vk::LetterA + 10, dik::K},  {SDL_SCANCODE_L, vk::LetterA + 11, dik::L},
    {SDL_SCANCODE_M, vk::LetterA + 12, dik::M},  {SDL_SCANCODE_N, vk::LetterA + 13, dik::N},
    {SDL_SCANCODE_O, vk::LetterA + 14, dik::O},  {SDL_SCANCODE_P, vk::LetterA + 15, dik::P},
    {SDL_SCANCODE_Q, vk::LetterA + 16, dik::Q},  {SDL_SCANCODE_R, vk::LetterA + 17, dik::R},
    {SDL_SCANCODE_S, vk::LetterA + 18, dik::S},  {SDL_SCANCODE_T, vk::LetterA + 19, dik::T},
    {SDL_SCANCODE_U, vk::LetterA + 20, dik::U},  {SDL_SCANCODE_V, vk::LetterA + 21, dik::V},
    {SDL_SCANCODE_W, vk::LetterA + 22, dik::W},  {SDL_SCANCODE_X, vk::LetterA + 23, dik::X},
    {SDL_SCANCODE_Y, vk::LetterA + 24, dik::Y},  {SDL_SCANCODE_Z, vk::LetterA + 25, dik::Z},
    {SDL_SCANCODE_1, vk::Digit0 + 1, dik::Digit1 + 0}, {SDL_SCANCODE_2, vk::Digit0 + 2, dik::Digit1 + 1},
    {SDL_SCANCODE_3, vk::Digit0 + 3, dik::Digit1 + 2}, {SDL_SCANCODE_4, vk::Digit0 + 4, dik::Digit1 + 3},
    {SDL_SCANCODE_5, vk::Digit0 + 5, dik::Digit1 + 4}, {SDL_SCANCODE_6, vk::Digit0 + 6, dik::Digit1 + 5},
    {SDL_SCANCODE_7, vk::Digit0 + 7, dik::Digit1 + 6}, {SDL_SCANCODE_8, vk::Digit0 + 8, dik::Digit1 + 7},
    {SDL_SCANCODE_9, vk::Digit0 + 9, dik::Digit1 + 8}, {SDL_SCANCODE_0, vk::Digit0, dik::Digit0},
    {SDL_SCANCODE_RETURN, vk::Return, dik::Return},
    {SDL_SCANCODE_ESCAPE, vk::Escape, dik::Escape},
    {SDL_SCANCODE_BACKSPACE, vk::Back, dik::Back},
    {SDL_SCANCODE_TAB, vk::Tab, dik::Tab},
    {SDL_SCANCODE_SPACE, vk::Space, dik::Space},
    {SDL_SCANCODE_MINUS, vk::OemMinus, dik::Minus},
    {SDL_SCANCODE_EQUALS, vk::OemPlus, dik::Equals},
    {SDL_SCANCODE_LEFTBRACKET, vk::Oem4, dik::LBracket},
    {SDL_SCANCODE_RIGHTBRACKET, vk::Oem6, dik::RBracket},
    {SDL_SCANCODE_BACKSLASH, vk::Oem5, dik::Backslash},
    {SDL_SCANCODE_NONUSHASH, vk::Oem5, dik::Backslash},
    {SDL_SCANCODE_SEMICOLON, vk::Oem1, dik::Semicolon},
    {SDL_SCANCODE_APOSTROPHE, vk::Oem7, dik::Apostrophe},
    {SDL_SCANCODE_GRAVE, vk::Oem3, dik::Grave},
    {SDL_SCANCODE_COMMA, vk::OemComma, dik::Comma},
    {SDL_SCANCODE_PERIOD, vk::OemPeriod, dik::Period},
    {SDL_SCANCODE_SLASH, vk::Oem2, dik::Slash},
    {SDL_SCANCODE_CAPSLOCK, vk::Capital, dik::Capital},
    {SDL_SCANCODE_F1, vk::F1 + 0, dik::F1},      {SDL_SCANCODE_F2, vk::F1 + 1, dik::F2},
    {SDL_SCANCODE_F3, vk::F1 + 2, dik::F3},      {SDL_SCANCODE_F4, vk::F1 + 3, dik::F4},
    {SDL_SCANCODE_F5, vk::F1 + 4, dik::F5},      {SDL_SCANCODE_F6, vk::F1 + 5, dik::F6},
    {SDL_SCANCODE_F7, vk::F1 + 6, dik::F7},      {SDL_SCANCODE_F8, vk::F1 + 7, dik::F8},
    {SDL_SCANCODE_F9, vk::F1 + 8, dik::F9},      {SDL_SCANCODE_F10, vk::F1 + 9, dik::F10},
    {SDL_SCANCODE_F11, vk::F1 + 10, dik::F11},   {SDL_SCANCODE_F12, vk::F1 + 11, dik::F12},
    {SDL_SCANCODE_PRINTSCREEN, vk::Snapshot, dik::SysRq},
    {SDL_SCANCODE_SCROLLLOCK, vk::Scroll, dik::Scroll},
    {SDL_SCANCODE_PAUSE, vk::Pause, dik::Pause},
    {SDL_SCANCODE_INSERT, vk::Insert, dik::Insert},
    {SDL_SCANCODE_HOME, vk::Home, dik::Home},
    {SDL_SCANCODE_PAGEUP, vk::Prior, dik::Prior},
    {SDL_SCANCODE_DELETE, vk::Delete, dik::Delete},
    {SDL_SCANCODE_END, vk::End, dik::End},
    {SDL_SCANCODE_PAGEDOWN, vk::Next, dik::Next},
    {SDL_SCANCODE_RIGHT, vk::Right, dik::Right},
    {SDL_SCANCODE_LEFT, vk::Left, dik::Left},
    {SDL_SCANCODE_DOWN, vk::Down, dik::Down},
    {SDL_SCANCODE_UP, vk::Up, dik::Up},
    {SDL_SCANCODE_NUMLOCKCLEAR, vk::NumLock, dik::NumLock},
    {SDL_SCANCODE_KP_DIVIDE, vk::Divide, dik::Divide},
    {SDL_SCANCODE_KP_MULTIPLY, vk::Multiply, dik::Multiply},
    {SDL_SCANCODE_KP_MINUS, vk::Subtract, dik::Subtract},
    {SDL_SCANCODE_KP_PLUS, vk::Add, dik::Add},
    {SDL_SCANCODE_KP_ENTER, vk::Return, dik::NumpadEnter},
    {SDL_SCANCODE_KP_1, vk::Numpad0 + 1, dik::Numpad1}, {SDL_SCANCODE_KP_2, vk::Numpad0 + 2, dik::Numpad2},
    {SDL_SCANCODE_KP_3, vk::Numpad0 + 3, dik::Numpad3}, {SDL_SCANCODE_KP_4, vk::Numpad0 + 4, dik::Numpad4},
    {SDL_SCANCODE_KP_5, vk::Numpad0 + 5, dik::Numpad5}, {SDL_SCANCODE_KP_6, vk::Numpad0 + 6, dik::Numpad6},
    {SDL_SCANCODE_KP_7, vk::Numpad0 + 7, dik::Numpad7}, {SDL_SCANCODE_KP_8, vk::Numpad0 + 8, dik::Numpad8},
    {SDL_SCANCODE_KP_9, vk::Numpad0 + 9, dik::Numpad9}, {SDL_SCANCODE_KP_0, vk::Numpad0, dik::Numpad0},
    {SDL_SCANCODE_KP_PERIOD, vk::Decimal, dik::Decimal},
    {SDL_SCANCODE_NONUSBACKSLASH, vk::Oem102, dik::Oem102},
    {SDL_SCANCODE_APPLICATION, vk::Apps, dik::Apps},
    {SDL_SCANCODE_LCTRL, vk::Control, dik::LControl},
    {SDL_SCANCODE_LSHIFT, vk::Shift, dik::LShift},
    {SDL_SCANCODE_LALT, vk::Menu, dik::LMenu},
    {SDL_SCANCODE_LGUI, vk::LWin, dik::LWin},
    {SDL_SCANCODE_RCTRL, vk::Control, dik::RControl},
    {SDL_SCANCODE_RSHIFT, vk::Shift, dik::RShift},
    {SDL_SCANCODE_RALT, vk::Menu, dik::RMenu},
    {SDL_SCANCODE_RGUI, vk::RWin, dik::RWin},
};

struct Tables {
    std::array<uint8_t, SDL_NUM_SCANCODES> virtualKey{};
    std::array<uint8_t, SDL_NUM_SCANCODES> scanCode{};
};

constexpr Tables buildTables()
{
    Tables t;
    for (const KeyRow& row : rows) {
        t.virtualKey[row.sdl] = static_cast<uint8_t>(row.virtualKey);
        t.scanCode[row.sdl] = static_cast<uint8_t>(row.scanCode);
    }
    return t;
}

constexpr Tables tables = buildTables();

bool inRange(SDL_Scancode code) { return code >= 0 && code < SDL_NUM_SCANCODES; }

} // namespace

int virtualKeyFromScancode(SDL_Scancode code) { return inRange(code) ? tables.virtualKey[code] : 0; }

int scanCodeFromScancode(SDL_Scancode code) { return inRange(code) ? tables.scanCode[code] : 0; }

} // namespace plat::sdl
