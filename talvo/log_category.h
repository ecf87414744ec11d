// Thresholds of the log: one record per category, the process-wide gate and the defaults.
#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace talvo {

enum class LogKind : std::int32_t { error = 0, warning = 1, info = 2 };

// An entry of level L and kind K passes a record when suspend < 1 and L <= thresholds[K].
struct LogCategory {
    static constexpr std::int32_t everything = std::numeric_limits<std::int32_t>::max();

    std::int32_t suspend = 0;
    std::uint8_t followsDefaults = 1;
    std::int32_t thresholds[3] = {everything, everything, everything};

    [[nodiscard]] constexpr bool passes(LogKind kind, std::int32_t level) const noexcept {
        return suspend < 1 && level <= thresholds[static_cast<int>(kind)];
    }
};

// Consulted for every entry before the category's own record (settings section "!").
extern LogCategory logGate;
// Serves channels without a record and is the template of new records (settings section "*").
extern LogCategory logDefaults;

// "!" gives logGate, "*" gives logDefaults; any other name its record, created from logDefaults
// when missing. Records never move and live until the process ends.
[[nodiscard]] LogCategory& categoryRecord(std::string_view name);

// Calls f on every category record (not the gate or the defaults).
template <class F>
void forEachCategoryRecord(F&& f);

// The log's one lock; recursive because opening an entry can create the log stream, which may log.
[[nodiscard]] std::recursive_mutex& logCriticalSection() noexcept;

namespace detail {
void forEachCategoryRecordImpl(void (*visit)(void*, LogCategory&), void* context);

// For fuzz harnesses, which make records by the million: the gate, the defaults and every
// record, and their return to a saved state. Records made since the save are removed, so a
// channel holding one would dangle; the harness makes sure none does.
struct CategorySnapshot {
    LogCategory gate;
    LogCategory defaults;
    std::map<std::string, LogCategory, std::less<>> records;
};
[[nodiscard]] CategorySnapshot saveCategoryRecords();
void restoreCategoryRecords(const CategorySnapshot& saved);
}

template <class F>
void forEachCategoryRecord(F&& f) {
    detail::forEachCategoryRecordImpl([](void* c, LogCategory& r) { (*static_cast<F*>(c))(r); }, &f);
}

// Suspends the gate for its lifetime, so the log does not log about itself.
class LogGateSuspension {
public:
    LogGateSuspension() noexcept { ++logGate.suspend; }
    ~LogGateSuspension() { --logGate.suspend; }
    LogGateSuspension(const LogGateSuspension&) = delete;
    LogGateSuspension& operator=(const LogGateSuspension&) = delete;
};

}  // namespace talvo
