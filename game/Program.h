// The program: start-up, the main menu, and the exit status.
#pragma once

// Finds the data (a Data/ that holds the first screen's picture: in the working folder, else in the
// executable's folder, which then becomes the working folder), opens window and display, loads
// everything, runs the menu. 0 when the menu ended (also by SIGHUP, SIGINT, SIGTERM or SIGXCPU,
// which close the window); 1 when there is no data, a picture of it is missing or refused, or no
// window or display could be made, or memory ran out (the best score kept then as at any end); the
// reason is one line on the standard error stream.
[[nodiscard]] int runVelmoor();
