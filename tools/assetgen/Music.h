// The menu music: a calm, loopable piece in D major, composed as note lists.
#pragma once

#include "tools/assetgen/Midi.h"

namespace assetgen {

[[nodiscard]] Song composeMusic();

} // namespace assetgen
