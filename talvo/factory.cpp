// The factory map and the name rewrites of older streams.
#include "talvo/factory.h"

#include <map>

namespace talvo {

Factory::~Factory() = default;

namespace io {

namespace {

std::map<std::string, Factory*, std::less<>>& factoryMap()
{
    static std::map<std::string, Factory*, std::less<>> map;
    return map;
}

Factory* lookup(std::string_view name)
{
    const auto& map = factoryMap();
    const auto found = map.find(name);
    return found == map.end() ? nullptr : found->second;
}

}  // namespace

void registerFactory(std::string_view name, Factory* factory)
{
    auto& map = factoryMap();
    if (factory == nullptr) {
        if (const auto found = map.find(name); found != map.end())
            map.erase(found);
        return;
    }
    map.insert_or_assign(std::string(name), factory);
}

Factory* findFactory(const char* name)
{
    if (name == nullptr)
        return nullptr;
    if (Factory* factory = lookup(name))
        return factory;
    std::string shortName(name);
    if (!normalizeFactoryName(shortName))
        return nullptr;
    return lookup(shortName);
}

bool normalizeFactoryName(std::string& name)
{
    static constexpr std::string_view rewrites[][2] = {
        {"windows::", "win::"},     {"graphics::", "g::"}, {"mathematics::", "math::"},
        {"scene_graph::", "sg::"}, {"direct3d::", "d3d::"},
    };
    bool changed = false;
    for (const auto& [from, to] : rewrites)
        changed = replaceAll(name, from, to) || changed;
    return changed;
}

bool replaceAll(std::string& text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return false;
    bool replaced = false;
    // Searching on behind the replacement keeps a "to" that contains "from" from looping.
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
        replaced = true;
    }
    return replaced;
}

}  // namespace io

}  // namespace talvo
