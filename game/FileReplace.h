// Replacing a file of the game's data folder so that a kill or a full disk never leaves it
// empty or cut: a temporary file beside it, synced, renamed over it, the folder synced. It is made
// ready first (the folder's handle, names, bytes, the old file's owner and mode), so the
// replacement itself takes only async-signal-safe calls and an end signal's handler can make it.
// Each process writes a temporary file of its own name and holds a lock on it while it is there:
// games sharing a folder never touch each other's, and a leftover of a killed run (no lock held) is
// removed by whichever game makes a replacement of that file ready next.
#pragma once

#include <sys/stat.h>
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

// A descriptor closed with its holder, moved and never copied.
class OwnedDescriptor {
public:
    OwnedDescriptor() = default;
    explicit OwnedDescriptor(int fd) noexcept : fd_(fd) {}
    OwnedDescriptor(OwnedDescriptor&& other) noexcept;
    OwnedDescriptor& operator=(OwnedDescriptor&& other) noexcept;
    ~OwnedDescriptor();

    [[nodiscard]] int get() const noexcept { return fd_; }

private:
    int fd_ = -1;
};

// Everything one replacement needs, in fixed storage, with the folder it is made in held open: a
// folder renamed or swapped for a link afterwards cannot send the write elsewhere.
struct PreparedReplace {
    char path[PATH_MAX] = ""; // for messages (control characters as ?): the path asked for or its links' final target
    bool linked = false; // path is the final target of links at the path asked for
    char name[NAME_MAX + 1] = ""; // its name in the folder
    char temp[NAME_MAX + 1] = ""; // name + ".new." + the process's id
    OwnedDescriptor folder;
    int folderSyncError = 0; // why the folder could be held but not opened for its sync (0: it can be)
    // The file that was there when checked, which must still be there at the replacement; with
    // none there, whatever has come meanwhile is replaced, as a file in the folder would have been.
    bool hadTarget = false;
    dev_t device = 0;
    ino_t inode = 0;
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
    enum Step { none, changed, make, write, permissions, sync, close, rename, openFolder, syncFolder } failed = none;
    bool notNeeded = false; // the check found the file holding as much: nothing was written
    int error = 0; // for changed: 0 when another file is there, else why the name cannot be checked
    bool ownerNotGiven = false;
    uid_t madeUid = 0;
    gid_t madeGid = 0;
    int chownError = 0;
};

// Makes ready (anew: a handle held before is closed) the replacement of path by bytes (at most
// sizeof PreparedReplace::bytes). A path that is a symbolic link (or a chain of them) stays one and
// its final target takes the bytes, but only when each link belongs to the player or to the owner
// of the folder holding it (the rule of the kernel's protected symlinks: no one else can make the
// game write elsewhere) and the target is own, the file the game read as its own. "" when ready;
// else why nothing may be written (also for a link to nothing or to no regular file, or a loop).
// Leftover temporary files of this name that no live game holds are removed on the way.
[[nodiscard]] std::string prepareReplace(const std::string& path, std::string_view bytes, const OwnFile& own,
                                         PreparedReplace& ready);

// Makes the replacement with async-signal-safe calls alone, in the folder held, and only while
// the name there still leads to the file checked (not through a link): else nothing is written. On
// a failure the old file (and link) is untouched and the temporary file removed; once renamed, only
// the folder's sync may fail. The temporary file is locked from its making to its rename.
ReplaceOutcome commitReplace(const PreparedReplace& ready) noexcept;

// Run right before a replacement is made, under the folder's lock, with async-signal-safe calls
// alone (an end signal's handler runs it too): false when nothing is to be written, the file there
// holding as much already; it may take the file there now, when it is of the game's own kind
// (another game's save), as the one the replacement checks for.
using ReplaceCheck = bool (*)(PreparedReplace& ready) noexcept;

// For a check: reads at most capacity bytes of the regular file at the name in the folder held,
// with async-signal-safe calls alone; -1 when there is none or it cannot be read.
[[nodiscard]] ssize_t readFileThere(const PreparedReplace& ready, unsigned char* into, std::size_t capacity,
                                    struct stat& there) noexcept;
// For a check: the file there (another game's save) is the one the replacement checks for and
// takes the owner, group and mode of.
void takeFileThere(PreparedReplace& ready, const struct stat& there) noexcept;

// commitReplace under the lock of the folder held, which games take for their replacements in it,
// so that the saves of games sharing a folder come one after the other and the check sees the file
// the rename replaces. Another game's replacement is waited for a few seconds at most; a folder
// that cannot be locked is written all the same. The lock is given up at the end.
ReplaceOutcome makeReplace(PreparedReplace& ready, ReplaceCheck check) noexcept;

// The new file is in place: nothing failed, or only the folder's sync, so it may not outlast a
// power cut.
[[nodiscard]] bool replaceMade(const ReplaceOutcome& outcome) noexcept;

// A line built in fixed storage with async-signal-safe calls alone (for an end signal's handler);
// what does not fit is cut.
class FixedLine {
public:
    FixedLine& operator<<(const char* text) noexcept;
    FixedLine& operator<<(int number) noexcept;
    [[nodiscard]] const char* data() const noexcept { return text_; }
    [[nodiscard]] std::size_t size() const noexcept { return size_; }

private:
    char text_[2 * PATH_MAX] = "";
    std::size_t size_ = 0;
};

// Why the replacement failed, or why the folder of one made could not be synced, followed by the
// final target of the links where the path was one: nothing for a replacement made and synced.
// Async-signal-safe.
void describeOutcome(const ReplaceOutcome& outcome, const PreparedReplace& ready, FixedLine& line) noexcept;

// What a save tells the player: what ("The best score") could not be saved in path, or was saved
// there but its folder could not be synced; then why (empty: the head alone, for a why added later).
[[nodiscard]] std::string saveReport(const char* what, const std::string& path, bool made, const std::string& why);

// How replaceFileWith went: made (its folder perhaps not synced), and why not, or why the folder
// could not be synced ("" when all went well).
struct ReplaceResult {
    bool made = false;
    std::string why;
    bool notNeeded = false; // made needs nothing: the check found the file holding as much
};

// prepareReplace (made ready anew when another game's save changed the file while it was checked)
// and makeReplace with the check. A replacement that could not take the old file's owner or group
// is logged once it is made.
[[nodiscard]] ReplaceResult replaceFileWith(const std::string& path, std::string_view bytes, const OwnFile& own,
                                            ReplaceCheck check = nullptr);
