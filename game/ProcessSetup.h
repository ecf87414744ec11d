// What the game takes over from whoever started it: descriptors, signal dispositions and mask.
#pragma once

// Run first, before anything opens a descriptor or starts a thread. A descriptor 0-2 the parent
// left closed is opened on /dev/null, so no file of the game's own takes its number; SIGPIPE and
// SIGXFSZ are ignored, so a write to a stderr without reader or past the file-size limit fails
// (EPIPE, EFBIG) and is handled as a full disk is; SIGHUP, SIGINT, SIGTERM and SIGXCPU are
// unblocked, so a launcher that blocked them cannot keep them from ending the game. Their
// dispositions are left as they came: one ignored by the parent stays ignored (EndSignals.h).
void prepareProcess() noexcept;
