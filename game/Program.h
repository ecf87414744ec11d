// The program: start-up, the main menu, and the exit status.
#pragma once

// Opens window and display, loads everything, runs the menu. 0 when the menu ended; 1 when
// no window or display could be made (the reason is on the standard error stream).
[[nodiscard]] int runVelmoor();
