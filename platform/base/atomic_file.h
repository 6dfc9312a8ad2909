#pragma once
// Files the user keeps are replaced whole: the new content goes into a
// private temporary file beside the target, is flushed to the disk, and only
// then takes the target's name, so an interrupted write leaves the old file
// (or none) and never a half-written one. The new file keeps the old one's
// permissions.

#include <string>
#include <string_view>

// Raises EInOutError naming the file when it cannot be written; the target
// is then untouched and no temporary file is left behind.
void WriteFileAtomically(const std::string& fileName, std::string_view content);
