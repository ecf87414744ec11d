// Index-to-index copy: the template's plain copy and stretch copy of one byte per pixel.
#include "sprite/blit/BlitBlocks.h"

using namespace blit;

constinit BlitFn* const blitIndexCopy = &blitLoop<Source<Group::Index8>, Dest<Group::Index8>, DrawKey{}>;
constinit BlitFn* const blitIndexStretchCopy = &blitLoop<Source<Group::Index8>, Dest<Group::Index8>, DrawKey{.stretch = true}>;
