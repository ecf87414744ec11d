// What a second end signal still writes before it ends the game: the best score's replacement,
// kept ready whenever the score changes, and any save under way, which the signal waits for.
#pragma once

#include "game/FileReplace.h"

#include <string>

// While one lives (on the main thread, never nested), an end signal's ending waits: one that
// comes meanwhile ends the game at its destruction, after the kept replacement is made. The
// kept replacement changes only inside one.
class SaveSection {
public:
    SaveSection();
    ~SaveSection();
    SaveSection(const SaveSection&) = delete;
    SaveSection& operator=(const SaveSection&) = delete;
};

// Inside a SaveSection: the replacement a second end signal makes (taken over, with its folder's
// handle), or none (the handle kept before is closed). With it the heads of what it tells when it
// fails and when only its folder cannot be synced (saveReport's, the cause left out), and the check
// makeReplace runs before it.
void keepEndSave(PreparedReplace&& ready, const std::string& notSavedHead, const std::string& unsyncedHead,
                 ReplaceCheck check);
void dropEndSave();

// For an end that has no memory left: makes the kept replacement as the handler would, needing no
// memory, and tells a failure the same way; it is then no longer kept. False when none was kept.
bool makeKeptEndSave() noexcept;

// For the end signals' handler: makes the kept replacement and ends the process as the signal's
// default action does; while a SaveSection lives, leaves both to its end. Async-signal-safe. A
// replacement that fails, or whose folder cannot be synced, is told as a save at the game's end is:
// on stderr and in the log.
void endAfterSaving(int signal);
