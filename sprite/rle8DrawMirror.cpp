// The mirrored sprite draws' members, apart from the unmirrored ones.
#include "sprite/rle8Members.h"

constinit const rle8::Members rle8::mirrorMembers = rle8::membersOf<true>();
