// The best score between runs: "Data/scores.dat", a native talvo stream holding one integer.
#pragma once

// Reads gameState.bestScore; any failure (no file, too short) gives 0.
void readBestScoreFile();

// Writes gameState.bestScore and flushes it to the disk. A failure is logged and returns
// false; the game then ends normally all the same.
bool writeBestScoreFile();
