// The script runner of the headless backend (VELMOOR_SCRIPT): one command per line,
// run between presents, so the real executable can be driven without a person.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat::headless {

// Input commands (move, pointer, click, quickclick, press, release, key, quickkey, keydown,
// keyup) live with the headless input. Returns false for a word it does not know (problem left
// empty) and for one of its words that the rest of the line does not fit (problem: what it
// expects); framesToWait is how many presents pass before the next command runs (click holds the
// button one frame; quickclick and quickkey press and release within one).
bool runInputScriptCommand(const std::vector<std::string>& words, int& framesToWait, std::string& problem);

// The file name a command takes from the rest of its line: a quoted name ("..."), which may
// hold blanks and '#', or else the rest of the line up to a comment, without its outer blanks.
// Nothing, with the reason in problem, when there is no name, the quote is left open, or more
// than a comment follows it.
std::optional<std::string> scriptFileName(std::string_view rest, std::string& problem);

} // namespace plat::headless
