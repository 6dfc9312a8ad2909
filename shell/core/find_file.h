#pragma once
// Lists the entries of a folder, and optionally of all its sub-folders level
// by level, that match a wildcard filter and a set of file attributes.
//
// Linux has no file attributes of that kind; they are derived: a name that
// starts with "." is hidden, an entry the user may not write is read-only,
// every plain file is an archive, and system or volume entries never occur.
// Entries of one folder are visited in name order; symbolic links to
// folders are listed but never followed, so a link loop ends.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

enum TAttrOption : std::uint8_t {
  ffReadOnly = 1 << 0,
  ffHidden = 1 << 1,
  ffSystem = 1 << 2,
  ffVolumeID = 1 << 3,
  ffDirectory = 1 << 4,
  ffArchive = 1 << 5,
};
using TAttrOptions = std::uint8_t;  // set of TAttrOption; the bits are the platform mask

class TFindFile {
public:
  using TNotifyEvent = std::function<void(TFindFile& sender)>;
  using TNewPathEvent = std::function<void(TFindFile& sender, const std::string& path, bool& abort)>;

  void Execute();

  const std::string& GetDirectory() const { return FDirectory; }
  void SetDirectory(const std::string& directory) { FDirectory = directory; }
  const std::string& GetFilter() const { return FFilter; }
  void SetFilter(const std::string& filter) { FFilter = filter; }
  bool GetRecurse() const { return FRecurse; }
  void SetRecurse(bool recurse) { FRecurse = recurse; }
  TAttrOptions GetAttributes() const { return FAttributes; }
  void SetAttributes(TAttrOptions attributes) { FAttributes = attributes; }
  // Full paths of the entries found, in the order found.
  const std::vector<std::string>& GetFiles() const { return FFiles; }

  std::int64_t GetTotalSize() const { return FTotalSize; }
  int GetFolderCount() const { return FFolderCount; }
  int GetFileCount() const { return FFileCount; }
  bool GetAborted() const { return FAbort; }
  void SetAborted(bool abort) { FAbort = abort; }

  TNotifyEvent BeforeExecute;
  TNotifyEvent AfterExecute;
  TNewPathEvent OnNewPath;

  void SearchDirectory(std::string path);
  void SearchTree(std::string path);

private:
  std::string FDirectory;
  std::string FFilter = "*.*";
  bool FRecurse = false;
  TAttrOptions FAttributes = ffReadOnly | ffHidden | ffSystem | ffArchive;
  std::vector<std::string> FFiles;
  std::int64_t FTotalSize = 0;
  int FFolderCount = 0;
  int FFileCount = 0;
  bool FAbort = false;
};

// Whether a name matches a wildcard filter ("*", "?"), ignoring case; "*.*"
// matches every name, also one without a ".".
bool MatchesFileFilter(const std::string& name, const std::string& filter);
