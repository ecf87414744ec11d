// Replacing a file of the game's data folder so that a kill or a full disk never leaves it
// empty or cut: a temporary file beside it, synced, renamed over it, the folder synced. It is made
// ready first (paths, bytes, the old file's owner and mode), so the replacement itself takes only
// async-signal-safe calls and an end signal's handler can make it.
#pragma once

#include <sys/types.h>

#include <climits>
#include <cstddef>
#include <string>
#include <string_view>

// The file a path led to when the game read it and found its own kind of file there (or an empty
// one): the only file a link at that path is written through to.
struct OwnFile {
    bool known = false;
    dev_t device = 0;
    ino_t inode = 0;
};
// The regular file path leads to now, through links (unknown when there is none).
[[nodiscard]] OwnFile ownFileAt(const char* path);

// Everything one replacement needs, in fixed storage.
struct PreparedReplace {
    char path[PATH_MAX] = ""; // the file replaced: the path asked for or its links' final target
    char temp[PATH_MAX] = ""; // path + ".new"
    char folder[PATH_MAX] = "";
    unsigned char bytes[32] = {};
    std::size_t size = 0;
    bool hadOld = false; // the new file takes the old one's owner, group and mode
    uid_t uid = 0;
    gid_t gid = 0;
    mode_t mode = 0;
};

// How a replacement went: the step that failed (none) with its errno, and an owner or group of
// the old file that the new one could not take (not a failure).
struct ReplaceOutcome {
    enum Step { none, make, write, permissions, sync, close, rename, openFolder, syncFolder } failed = none;
    int error = 0;
    bool ownerNotGiven = false;
    uid_t madeUid = 0;
    gid_t madeGid = 0;
    int chownError = 0;
};

// Makes ready the replacement of path by bytes (at most sizeof PreparedReplace::bytes). A path that
// is a symbolic link (or a chain of them) stays one and its final target takes the bytes, but only
// when each link belongs to the player or to the owner of the folder holding it (the rule of the
// kernel's protected symlinks: no one else can make the game write elsewhere) and the target is
// own, the file the game read as its own. "" when ready; else why nothing may be written (also for
// a link to nothing or to no regular file, or a loop).
[[nodiscard]] std::string prepareReplace(const std::string& path, std::string_view bytes, const OwnFile& own,
                                         PreparedReplace& ready);

// Makes the replacement with async-signal-safe calls alone. On a failure the old file (and link)
// is untouched and the temporary file removed; once renamed, only the folder's sync may fail.
ReplaceOutcome commitReplace(const PreparedReplace& ready) noexcept;

// prepareReplace and commitReplace, an owner or group not given logged: "" on success, else why.
[[nodiscard]] std::string replaceFileWith(const std::string& path, std::string_view bytes, const OwnFile& own);
