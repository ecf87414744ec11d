// Velmoor's entry point.
#include "game/ProcessSetup.h"
#include "game/Program.h"

namespace {
// Ahead of every static object of the game, one of which might open a file.
[[gnu::constructor(101)]] void setUpProcess() { prepareProcess(); }
} // namespace

int main() { return runVelmoor(); }
