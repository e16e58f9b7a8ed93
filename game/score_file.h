// Reading and writing the one-number best-score file in a world that may not
// be friendly: links, files shared with a group or another user, several games
// in one folder, file-size limits, signals, FIFOs and devices.
#pragma once

#include <cstdint>
#include <optional>

// The number at the start of the file, read the way "%d" reads it. Only a
// regular file is read, and never with a wait: a FIFO or a device gives
// nothing. Symbolic links, in the folders on the way too, are followed only
// where the kernel's protected-symlinks rule would allow it, whatever this
// machine's setting.
std::optional<std::int32_t> readBestScoreFile(const char* path);

// Stores the higher of `value` and the number the file already holds, under a
// lock on its folder, so that two games ending in one folder keep the better
// score; a lock held longer than `lockWaitMs` is given up on. The file always
// holds a complete old or new value. A player's own file is replaced through a
// temporary and a rename; a file the replacement could not match (another
// owner, a second hard link, a group the player is not in, an ACL or extended
// attributes) is written in place. Anything that is not a regular file, a link
// the rule above forbids, or a file the player may not write is left alone.
// Returns whether a value was stored.
bool writeBestScoreFile(const char* path, std::int32_t value, int lockWaitMs = 2000);
