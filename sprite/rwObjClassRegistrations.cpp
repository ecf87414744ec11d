// Static registrations of the serialisable classes; linked into every program that uses the library.
#include "sprite/imgRle8CTy.h"
#include "sprite/imgRowCTy.h"
#include "sprite/rwObjCTy.h"

namespace {

[[maybe_unused]] const bool rowRegistered = rwObjClassRegistry::add("imgRowCTy", imgRowCreate);
[[maybe_unused]] const bool rle8Registered = rwObjClassRegistry::add("imgRle8CTy", imgRle8Create);
[[maybe_unused]] const bool rootRegistered = rwObjClassRegistry::add("rwObjCTy", rwObjCreate);

}  // namespace
