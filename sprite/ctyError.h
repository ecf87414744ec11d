// The sprite library's one error record, which the runtime's posts and the formatter's status share.
#pragma once

#include <csetjmp>
#include <cstdint>

// A registered recovery point: one leading word, then the jump buffer a post jumps to.
struct ctyRecoveryPoint {
    std::intptr_t word;
    std::jmp_buf jump;
};

// The process-wide error record. Detail is pointer-sized: it carries a text such as a file name.
struct ctyErrorRecord {
    ctyRecoveryPoint* recovery = nullptr;
    void (*handler)() = nullptr;
    const char* detail = nullptr;
    std::int32_t code = 0;  // also the formatter's status word
    std::uint32_t context = 0;
    const char* message = nullptr;
    std::uint32_t extra2 = 0;
    std::int32_t extra3 = -1;
    std::uint32_t extra1 = 0;
    std::uint8_t level = 0;
    std::uint8_t options = 0;  // bit 0: call no handler; bit 1: never jump
    std::int8_t quiet = 0;
    std::int8_t answer = 0;
};
extern ctyErrorRecord ctyError;

// The answer by which a handler asks the poster to stop in the debugger.
inline constexpr int ctyStopAnswer = -94;

// The codes posts leave in ctyError.code. Stored records and callers compare the numbers, so they never change.
inline constexpr std::int32_t ctyCodeOutOfMemory = -2;    // an allocation hook returned null
inline constexpr std::int32_t ctyCodeNotAPicture = -5;    // a BMP stream, or a cut picture stream, is not readable
inline constexpr std::int32_t ctyCodeOpenFailed = -17;    // a named file could not be opened for reading
inline constexpr std::int32_t ctyCodeCreateFailed = -18;  // a named file could not be created
inline constexpr std::int32_t ctyCodeMessage = -97;       // a formatted message (ctyErrorf)
// The formatter's status values, left in the code and never posted.
inline constexpr std::int32_t ctyCodeNullArgument = -69;  // an argument passed by reference is null
inline constexpr std::int32_t ctyCodeUnsupported = -72;   // a conversion is not supported
inline constexpr std::int32_t ctyCodeNoArguments = -73;   // a conversion needs an argument and there is no list
