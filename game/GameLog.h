// The game's own log category and its warning for data files that fail to load.
#pragma once

#include "talvo/log.h"

#include <string>

extern talvo::LogChannel gameWarning; // "velmoor", warning
extern talvo::LogChannel gameError;   // "velmoor", error

// The framework's result of a failed load as words for the log.
[[nodiscard]] std::string loadFailureReason(int result);

// One warning per file for the whole run, however often the file is asked for again.
void warnNotLoaded(const char* path, const std::string& reason);
// The same warning for a file that loaded with damage (lastDataFileDamage): the game shows or
// plays what it holds. Nothing for a file that loaded whole.
void warnIfDamaged(const char* path);
