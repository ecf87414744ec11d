// The game's own log category, its warning for data files that fail to load, and its report of a
// save that failed.
#pragma once

#include "talvo/log.h"

#include <string>

extern talvo::LogChannel gameWarning; // "velmoor", warning
extern talvo::LogChannel gameError;   // "velmoor", error

// One warning per file for the whole run, however often the file is asked for again. A file that
// is absent or cannot be read, or that the machine could not take (no surface for its size, no
// sound buffer), "was not loaded"; one whose contents are at fault "is damaged", whether it loaded
// in part or not at all.
void warnNotLoaded(const char* path, const std::string& reason);
void warnDamaged(const char* path, const std::string& reason);
// The warning for a load that failed with the framework's result, in whichever form fits.
void warnLoadFailed(const char* path, int result);
// The damage of a file that loaded in part (lastDataFileDamage): the game shows or plays what it
// holds. Nothing for a file that loaded whole.
void warnIfDamaged(const char* path);
// A save that failed, as an error and on stderr too: the player hears of it even where the log
// cannot be written (a full disk takes both the save and the log).
void reportFailedSave(const std::string& line);
