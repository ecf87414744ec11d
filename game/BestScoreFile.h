// The best score between runs: "Data/scores.dat", a native talvo stream holding one integer.
#pragma once

// Reads gameState.bestScore from the 25-byte stream or a bare 4-byte score. Any failure gives 0:
// no file (a first run, logged by the support library's stream as any file it cannot open), or,
// with a warning, a file of another size or kind or a negative score, or a file that is there but
// cannot be read (denied, an i/o error), which is then never replaced. Then makes ready the
// replacement a second end signal writes (EndSave.h).
void readBestScoreFile();

// The best score becomes gameState.score when that is higher, and in the same step the
// replacement a second end signal writes is made ready for it: no raise can be lost to the pair.
void raiseBestScore();

// Reads the file again first: a higher best score that another game wrote since this one read it
// becomes gameState.bestScore, so no save lowers it. Then replaces the file with
// gameState.bestScore (through a synced temporary file, so the old score survives a kill or a full
// disk; the new file keeps the old one's permission bits); nothing is written while the file
// already holds that score in the game's own form, nor over a file that could not be read, nor
// through a link to a file that was not read as a best-score file (or an empty one) or a link of
// someone other than the player or its folder's owner. A failure (a score above 0 kept from an
// unreadable file included) is logged, also on stderr with its cause, and returns false; the game
// then ends normally all the same. A file replaced whose folder could not be synced is saved
// (true), and said to be so on both.
bool writeBestScoreFile();

// At an end that has no memory left: the replacement kept ready for a second end signal is made,
// which needs none (a file holding a score at least as high is left as it is); with none kept
// ready, writeBestScoreFile, and nothing more when memory runs out again there.
void writeBestScoreFileWithoutMemory() noexcept;
