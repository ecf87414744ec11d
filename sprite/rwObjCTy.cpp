// The serialisable root class and the name-to-creator registry.
#include "sprite/rwObjCTy.h"

#include <new>

const char* rwObjCTy::ClassName() const { return "rwObjCTy"; }

rwObjCTy::~rwObjCTy() = default;

void rwObjCTy::Write(ctyMemBuffer&) {}

void rwObjCTy::Read(ctyMemBuffer&) {}

rwObjClassRegistry::Map& rwObjClassRegistry::map()
{
    static Map classes;
    return classes;
}

bool rwObjClassRegistry::add(const char* name, rwObjCreator creator)
{
    map()[name] = creator;
    return true;
}

const rwObjClassRegistry::Map& rwObjClassRegistry::classes() { return map(); }

rwObjCTy* rwObjCreate() { return new (std::nothrow) rwObjCTy; }
