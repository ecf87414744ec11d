// Replacing a file of the game's data folder so that a kill or a full disk never leaves it
// empty or cut: a temporary file beside it, synced, renamed over it, the folder synced.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Fills "<path>.new" through writeTemp (which returns "" or why it failed, and syncs what it
// wrote), gives it the owner, group and permission bits of the regular file at path (when there
// is one; an owner or group the process may not give is logged, not an error), renames it over
// path and syncs the folder. A path that is a symbolic link (or a chain of them) stays one: its
// final target is the path above; a link to nothing or to no regular file, or a loop, is refused. "" on success; else
// why, with the old file (and link) untouched and the temporary file removed.
[[nodiscard]] std::string replaceFile(const std::string& path,
                                      const std::function<std::string(const std::string& tempPath)>& writeTemp);

// replaceFile with a writer of exactly these bytes.
[[nodiscard]] std::string replaceFileWith(const std::string& path, std::string_view bytes);
