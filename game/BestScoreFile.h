// The best score between runs: "Data/scores.dat", a native talvo stream holding one integer.
#pragma once

// Reads gameState.bestScore from the 25-byte stream or a bare 4-byte score. Any failure gives 0:
// no file (a first run), or, with a warning, a file of another size or kind or a negative score.
void readBestScoreFile();

// Replaces the file with gameState.bestScore (through a synced temporary file, so the old score
// survives a kill or a full disk); nothing is written while the file already holds that score
// in the game's own form. A failure is logged, also on stderr, and returns false; the game then
// ends normally all the same.
bool writeBestScoreFile();
