// The best score between runs: "Data/scores.dat", a native talvo stream holding one integer.
#pragma once

// Reads gameState.bestScore from the 25-byte stream or a bare 4-byte score. Any failure gives 0:
// no file (a first run), or, with a warning, a file of another size or kind or a negative score,
// or a file that is there but cannot be read (denied, an i/o error), which is then never replaced.
void readBestScoreFile();

// Replaces the file with gameState.bestScore (through a synced temporary file, so the old score
// survives a kill or a full disk; the new file keeps the old one's permission bits); nothing is
// written while the file already holds that score in the game's own form, nor over a file that
// could not be read. A failure (a score above 0 kept from an unreadable file included) is logged,
// also on stderr with its cause, and returns false; the game then ends normally all the same.
bool writeBestScoreFile();
