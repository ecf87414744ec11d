// The screenshot key test, run in every frame right before it is presented.
#pragma once

// Saves the frame when F5 or F9 went down since the previous call, and advances the
// keyboard-state poller (its only user). A shot that cannot be made (no memory for its pixels) or
// written whole (a full disk) is logged with the reason and leaves no file behind.
void saveScreenshotOnKey();
