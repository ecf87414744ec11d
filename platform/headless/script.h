// The script runner of the headless backend (VELMOOR_SCRIPT): one command per line,
// run between presents, so the real executable can be driven without a person.
#pragma once

#include <string>
#include <vector>

namespace plat::headless {

// Input commands (move, pointer, click, quickclick, press, release, key, quickkey, keydown,
// keyup) live with the headless input. Returns false for a word it does not know;
// framesToWait is how many presents pass before the next command runs (click holds the
// button one frame; quickclick and quickkey press and release within one).
bool runInputScriptCommand(const std::vector<std::string>& words, int& framesToWait);

} // namespace plat::headless
