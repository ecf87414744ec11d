// Placeholder until the headless input exists: no input command is known.
#include "platform/headless/script.h"

namespace plat::headless {

bool runInputScriptCommand(const std::vector<std::string>&, int&) { return false; }

} // namespace plat::headless
