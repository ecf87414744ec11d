// Velmoor's entry point.
#include "game/Program.h"

int main() { return runVelmoor(); }
