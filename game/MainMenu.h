// The main menu: the screen the program lives in; its end ends the program.
#pragma once

// Runs until the exit button, F1 over it, Q, or the window's end; then writes the best score.
void runMainMenu();
