// The game's own log category, its warning for data files that fail to load, its report of a
// save that failed, and the log's place checked at start.
#pragma once

#include "talvo/log.h"

#include <string>

extern talvo::LogChannel gameWarning; // "velmoor", warning
extern talvo::LogChannel gameError;   // "velmoor", error

// Opens the log with its first line, where the game's data is, once per process. A log that
// cannot be written beside the executable is named once on stderr with the reason, and with where
// it went instead once that file took the line; where it went nowhere, the log's warnings and
// errors reach stderr from then on, as they do once its file refuses a write.
void openGameLog(const std::string& dataFolder);

// One warning per file for the whole run, however often the file is asked for again. A file that
// is absent or cannot be read, or that the machine could not take (no surface for its size, no
// sound buffer), "was not loaded"; one whose contents are at fault "is damaged", whether it loaded
// in part or not at all.
void warnNotLoaded(const char* path, const std::string& reason);
void warnDamaged(const char* path, const std::string& reason);
// What a load that failed with the framework's result says after the file's name: "was not
// loaded: why" or "is damaged: why".
[[nodiscard]] std::string loadFailure(int result);
// The warning for a load that failed with the framework's result. tell: on stderr too, for a file
// the game goes on without in the middle of a run.
void warnLoadFailed(const char* path, int result, bool tell = false);
// The damage of a file that loaded in part (lastDataFileDamage): the game shows or plays what it
// holds. Nothing for a file that loaded whole.
void warnIfDamaged(const char* path);
// An error the player must hear of, as an error in the log and as "Velmoor: line" on stderr: even
// where the log cannot be written (a full disk takes both the save and the log). Where the log's
// entries reach stderr already, on stderr only, so it is not said twice.
void reportError(const std::string& line);
// A save that failed, reported as above.
void reportFailedSave(const std::string& line);
