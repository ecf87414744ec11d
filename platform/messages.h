// Window message numbers and their record, in the numbering the framework was written for.
#pragma once

#include <cstdint>

namespace plat {

struct Message {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

namespace msg {
inline constexpr uint32_t Destroy = 0x0002;
inline constexpr uint32_t Activate = 0x0006; // low word of wParam: 0 inactive, else active
inline constexpr uint32_t Close = 0x0010;
inline constexpr uint32_t KeyDown = 0x0100; // wParam: virtual-key code
inline constexpr uint32_t KeyUp = 0x0101;
inline constexpr uint32_t Char = 0x0102; // wParam: character code
inline constexpr uint32_t MouseMove = 0x0200; // lParam: x in the low 16 bits, y in the high 16
inline constexpr uint32_t LButtonDown = 0x0201;
inline constexpr uint32_t LButtonUp = 0x0202;
inline constexpr uint32_t RButtonDown = 0x0204;
inline constexpr uint32_t RButtonUp = 0x0205;
} // namespace msg

[[nodiscard]] constexpr intptr_t packPoint(int x, int y)
{
    return static_cast<intptr_t>((static_cast<uint32_t>(y & 0xFFFF) << 16) | static_cast<uint32_t>(x & 0xFFFF));
}

} // namespace plat
