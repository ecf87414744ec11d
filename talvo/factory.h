// Object factories and the process-wide map in which object streams look them up by name.
#pragma once

#include <string>
#include <string_view>

namespace talvo {

// Creates objects of one class again when an object stream is read. The library only finds
// factories by name; what a factory does is up to the classes that register one.
class Factory {
public:
    Factory() = default;
    Factory(const Factory&) = delete;
    Factory& operator=(const Factory&) = delete;
    virtual ~Factory();
};

namespace io {

// Enters (or, with null, removes) the factory of a name. The factory is not owned.
void registerFactory(std::string_view name, Factory* factory);

// The factory of a name, or null; a name that is not found is tried once more in its short form
// (normalizeFactoryName).
[[nodiscard]] Factory* findFactory(const char* name);

// Rewrites the long namespace names of older streams ("graphics::" to "g::" and the like); true
// when the name changed.
bool normalizeFactoryName(std::string& name);

// Replaces every occurrence of from by to; true when anything was replaced.
bool replaceAll(std::string& text, std::string_view from, std::string_view to);

}  // namespace io

}  // namespace talvo
