// The screenshot key test, run in every frame right before it is presented.
#pragma once

// Saves the frame when F5 or F9 went down since the previous call, and advances the
// keyboard-state poller (its only user).
void saveScreenshotOnKey();
