// Test controls of the headless window.
#pragma once

namespace plat::headless {

// Posts an Activate message as a focus change would (the window starts active).
void setWindowActive(bool active);

// Posts Close, as a person closing the window would; its dispatch destroys the window.
void requestClose();

} // namespace plat::headless
