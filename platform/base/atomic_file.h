#pragma once
// Files the user keeps are replaced whole: the new content goes into a
// private temporary file beside the target, is flushed to the disk, and only
// then takes the target's name, so an interrupted write leaves the old file
// (or none) and never a half-written one. The new file keeps the old one's
// permissions.
//
// The temporary file is named for its target, ".#3dclient.ini.Ab12Cd" (the
// name's last six characters random), and its writer holds a lock on it
// until it has taken the target's name. A writer that was killed leaves it
// behind, unlocked: the next write that puts its file in place removes such
// leftovers of that file, and only files of that name, this user's, and
// held by no live writer.

#include <string>
#include <string_view>

// Raises EInOutError naming the file when it cannot be written; the target
// is then untouched and no temporary file is left behind.
void WriteFileAtomically(const std::string& fileName, std::string_view content);

// Whether a name in the target's folder is one of its temporary files.
bool IsAtomicTemporaryName(std::string_view name, std::string_view targetName);
