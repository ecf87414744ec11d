// A seam for tests only: the moment between the look at a file in a folder others can write and its
// opening. Another user can swap the name only there, at a time no test could hit from outside.
#pragma once

namespace talvo::detail {

// Called with the name after it was looked at and before it is opened; null outside tests.
extern void (*afterSharedFileLook)(const char* name);

}  // namespace talvo::detail
