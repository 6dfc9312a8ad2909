#include "shell/core/find_file.h"

#include <algorithm>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Entry {
  std::string name;
  TAttrOptions attributes = 0;
  std::int64_t size = 0;
  bool followableFolder = false;  // a real folder, not a link to one
};

std::vector<Entry> ListFolder(const std::string& path) {
  std::vector<Entry> entries;
  DIR* dir = opendir(path.c_str());
  if (!dir) return entries;
  while (dirent* d = readdir(dir)) {
    std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    std::string full = path + name;
    struct stat link {};
    if (lstat(full.c_str(), &link) != 0) continue;
    struct stat target = link;
    if (S_ISLNK(link.st_mode) && stat(full.c_str(), &target) != 0) target = link;
    Entry entry;
    entry.name = name;
    if (S_ISDIR(target.st_mode)) entry.attributes |= ffDirectory;
    else entry.attributes |= ffArchive;
    if (name.front() == '.') entry.attributes |= ffHidden;
    if (access(full.c_str(), W_OK) != 0) entry.attributes |= ffReadOnly;
    entry.size = S_ISDIR(target.st_mode) ? 0 : static_cast<std::int64_t>(target.st_size);
    entry.followableFolder = S_ISDIR(link.st_mode);
    entries.push_back(std::move(entry));
  }
  closedir(dir);
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return entries;
}

// Entries with hidden, system, volume or folder attributes are listed only
// when the mask asks for them; the other attributes never exclude.
bool MatchesMask(TAttrOptions attributes, TAttrOptions mask) {
  TAttrOptions excluded = static_cast<TAttrOptions>(~mask & (ffHidden | ffSystem | ffVolumeID | ffDirectory));
  return (attributes & excluded) == 0;
}

void AppendSeparator(std::string& path) {
  if (path.empty() || path.back() != '/') path += '/';
}

}  // namespace

bool MatchesFileFilter(const std::string& name, const std::string& filter) {
  if (filter == "*.*" || filter == "*") return true;
  return fnmatch(filter.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

void TFindFile::Execute() {
  FFiles.clear();
  FTotalSize = 0;
  FFolderCount = 0;
  FFileCount = 0;
  FAbort = false;
  if (BeforeExecute) BeforeExecute(*this);
  if (!FDirectory.empty()) {
    if (FRecurse)
      SearchTree(FDirectory);
    else
      SearchDirectory(FDirectory);
  }
  if (AfterExecute) AfterExecute(*this);
}

void TFindFile::SearchDirectory(std::string path) {
  AppendSeparator(path);
  if (OnNewPath) OnNewPath(*this, path, FAbort);
  if (FAbort) return;
  for (const Entry& entry : ListFolder(path)) {
    if (!MatchesFileFilter(entry.name, FFilter) || !MatchesMask(entry.attributes, FAttributes)) continue;
    FFiles.push_back(path + entry.name);
    if (entry.attributes == ffDirectory)
      ++FFolderCount;
    else
      ++FFileCount;
    FTotalSize += entry.size;
  }
}

void TFindFile::SearchTree(std::string path) {
  AppendSeparator(path);
  std::deque<std::string> queue{path};
  while (!queue.empty() && !FAbort) {
    const std::string folder = queue.front();
    for (const Entry& entry : ListFolder(folder))
      if (entry.followableFolder) queue.push_back(folder + entry.name + "/");
    SearchDirectory(folder);
    queue.pop_front();
  }
}
