// The category registry and the log's lock; both outlive every static destructor.
#include "talvo/log_category.h"

#include <map>
#include <string>

namespace talvo {

constinit LogCategory logGate{};
constinit LogCategory logDefaults{};

namespace {

// Never destroyed: channels keep pointers into it, and exit handlers may log after static
// destructors have run.
std::map<std::string, LogCategory, std::less<>>& categoryRegistry() {
    static auto* categories = new std::map<std::string, LogCategory, std::less<>>();
    return *categories;
}

}  // namespace

LogCategory& categoryRecord(std::string_view name) {
    if (name == "!") return logGate;
    if (name == "*") return logDefaults;
    auto& categories = categoryRegistry();
    auto found = categories.find(name);
    if (found != categories.end()) return found->second;
    LogCategory record = logDefaults;
    record.followsDefaults = 1;
    return categories.emplace(std::string(name), record).first->second;
}

namespace detail {
void forEachCategoryRecordImpl(void (*visit)(void*, LogCategory&), void* context) {
    for (auto& [name, record] : categoryRegistry()) visit(context, record);
}

CategorySnapshot saveCategoryRecords() {
    std::lock_guard lock(logCriticalSection());
    return {logGate, logDefaults, categoryRegistry()};
}

void restoreCategoryRecords(const CategorySnapshot& saved) {
    std::lock_guard lock(logCriticalSection());
    logGate = saved.gate;
    logDefaults = saved.defaults;
    auto& categories = categoryRegistry();
    std::erase_if(categories, [&](const auto& entry) { return !saved.records.contains(entry.first); });
    for (auto& [name, record] : categories) record = saved.records.find(name)->second;
}
}  // namespace detail

std::recursive_mutex& logCriticalSection() noexcept {
    static auto* section = new std::recursive_mutex();
    return *section;
}

}  // namespace talvo
