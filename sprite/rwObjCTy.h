// The serialisable root of the sprite library's classes and the registry of their creators.
#pragma once

#include <string>
#include <unordered_map>

struct ctyMemBuffer;

class rwObjCTy {
public:
    rwObjCTy() = default;
    virtual const char* ClassName() const;
    virtual ~rwObjCTy();
    // The root writes and reads nothing.
    virtual void Write(ctyMemBuffer& buffer);
    virtual void Read(ctyMemBuffer& buffer);
};

// Makes a new default-constructed object; null when the allocation fails.
using rwObjCreator = rwObjCTy* (*)();

class rwObjClassRegistry {
public:
    using Map = std::unordered_map<std::string, rwObjCreator>;
    // Sets the creator for a name (a second registration replaces it); always true.
    static bool add(const char* name, rwObjCreator creator);
    // Every registered name; the static initialisers fill it at start-up.
    [[nodiscard]] static const Map& classes();

private:
    static Map& map();
};

// The creator of rwObjCTy itself.
[[nodiscard]] rwObjCTy* rwObjCreate();
