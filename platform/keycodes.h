// The two key numberings the framework was written for: virtual-key codes (window key
// messages, asynchronous key state) and keyboard scan codes (the 256-byte keyboard state).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace plat {

namespace vk {
inline constexpr int LButton = 0x01, RButton = 0x02, MButton = 0x04;
inline constexpr int Back = 0x08, Tab = 0x09, Return = 0x0D;
inline constexpr int Shift = 0x10, Control = 0x11, Menu = 0x12, Pause = 0x13, Capital = 0x14;
inline constexpr int Escape = 0x1B, Space = 0x20;
inline constexpr int Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24;
inline constexpr int Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
inline constexpr int Snapshot = 0x2C, Insert = 0x2D, Delete = 0x2E;
inline constexpr int Digit0 = 0x30; // '0'..'9' are 0x30..0x39
inline constexpr int LetterA = 0x41; // 'A'..'Z' are 0x41..0x5A
inline constexpr int LWin = 0x5B, RWin = 0x5C, Apps = 0x5D;
inline constexpr int Numpad0 = 0x60; // ..0x69
inline constexpr int Multiply = 0x6A, Add = 0x6B, Subtract = 0x6D, Decimal = 0x6E, Divide = 0x6F;
inline constexpr int F1 = 0x70; // F1..F24 are 0x70..0x87
inline constexpr int F5 = 0x74, F9 = 0x78;
inline constexpr int NumLock = 0x90, Scroll = 0x91;
inline constexpr int LShift = 0xA0, RShift = 0xA1, LControl = 0xA2, RControl = 0xA3, LMenu = 0xA4, RMenu = 0xA5;
inline constexpr int Oem1 = 0xBA, OemPlus = 0xBB, OemComma = 0xBC, OemMinus = 0xBD, OemPeriod = 0xBE;
inline constexpr int Oem2 = 0xBF, Oem3 = 0xC0, Oem4 = 0xDB, Oem5 = 0xDC, Oem6 = 0xDD, Oem7 = 0xDE, Oem102 = 0xE2;
} // namespace vk

namespace dik {
inline constexpr int Escape = 0x01;
inline constexpr int Digit1 = 0x02; // '1'..'9' are 0x02..0x0A, '0' is 0x0B
inline constexpr int Digit0 = 0x0B;
inline constexpr int Minus = 0x0C, Equals = 0x0D, Back = 0x0E, Tab = 0x0F;
inline constexpr int Q = 0x10, W = 0x11, E = 0x12, R = 0x13, T = 0x14, Y = 0x15, U = 0x16, I = 0x17, O = 0x18, P = 0x19;
inline constexpr int LBracket = 0x1A, RBracket = 0x1B, Return = 0x1C, LControl = 0x1D;
inline constexpr int A = 0x1E, S = 0x1F, D = 0x20, F = 0x21, G = 0x22, H = 0x23, J = 0x24, K = 0x25, L = 0x26;
inline constexpr int Semicolon = 0x27, Apostrophe = 0x28, Grave = 0x29, LShift = 0x2A, Backslash = 0x2B;
inline constexpr int Z = 0x2C, X = 0x2D, C = 0x2E, V = 0x2F, B = 0x30, N = 0x31, M = 0x32;
inline constexpr int Comma = 0x33, Period = 0x34, Slash = 0x35, RShift = 0x36, Multiply = 0x37;
inline constexpr int LMenu = 0x38, Space = 0x39, Capital = 0x3A;
inline constexpr int F1 = 0x3B, F2 = 0x3C, F3 = 0x3D, F4 = 0x3E, F5 = 0x3F, F6 = 0x40, F7 = 0x41, F8 = 0x42,
                     F9 = 0x43, F10 = 0x44;
inline constexpr int NumLock = 0x45, Scroll = 0x46;
inline constexpr int Numpad7 = 0x47, Numpad8 = 0x48, Numpad9 = 0x49, Subtract = 0x4A, Numpad4 = 0x4B,
                     Numpad5 = 0x4C, Numpad6 = 0x4D, Add = 0x4E, Numpad1 = 0x4F, Numpad2 = 0x50,
                     Numpad3 = 0x51, Numpad0 = 0x52, Decimal = 0x53;
inline constexpr int Oem102 = 0x56, F11 = 0x57, F12 = 0x58;
inline constexpr int NumpadEnter = 0x9C, RControl = 0x9D, Divide = 0xB5, SysRq = 0xB7, RMenu = 0xB8;
inline constexpr int Pause = 0xC5, Home = 0xC7, Up = 0xC8, Prior = 0xC9, Left = 0xCB, Right = 0xCD;
inline constexpr int End = 0xCF, Down = 0xD0, Next = 0xD1, Insert = 0xD2, Delete = 0xD3;
inline constexpr int LWin = 0xDB, RWin = 0xDC, Apps = 0xDD;
} // namespace dik

// One key in both numberings.
struct KeyCodes {
    int virtualKey = 0;
    int scanCode = 0;
};

// Looks a key up by name as scripts write it ("Q", "F1", "ESCAPE", "SPACE", "7");
// letters are case-insensitive. Empty for an unknown name.
[[nodiscard]] std::optional<KeyCodes> keyCodesFromName(std::string_view name);

// The character a key types without modifiers (lower-case letters, digits, space, Escape,
// Return, Backspace, Tab), 0 when it types none.
[[nodiscard]] int characterOfVirtualKey(int virtualKey);

} // namespace plat
