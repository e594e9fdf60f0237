#include "platform/rapi2/staging.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/rapi2/bounded_read.h"

namespace emu {

namespace {

constexpr char kTempPrefix[] = "~rapi-";
constexpr char kTempSuffix[] = ".tmp";
constexpr size_t kTempDigits = 16;
constexpr char kJournalPrefix[] = ".rapi-pending-";
constexpr std::size_t kJournalLimit = 4 << 20;  // a journal lists the copies of one run
constexpr int kNameTries = 16;

std::string Hex(std::uint64_t value) {
  char text[kTempDigits + 1];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

std::string Joined(const std::string& where, const std::string& name) { return where.empty() ? name : where + "/" + name; }

// The temporary files a journal still lists: each added ("+") and not resolved ("-").
std::set<std::string> Unresolved(const std::string& journal) {
  std::set<std::string> open;
  std::string text, why;
  if (ReadWholeFile(journal, kJournalLimit, &text, &why) != WholeFile::kRead) return open;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.size() < 2) continue;
    if (line[0] == '+') open.insert(line.substr(1));
    if (line[0] == '-') open.erase(line.substr(1));
  }
  return open;
}

// Removes one listed temporary file, reached from fs/ one real folder at a time; only a
// plain file that still bears a temporary name and has no other name goes.
void RemoveListed(const HostFolder& fsRoot, const std::string& relative) {
  std::vector<std::string> parts;
  std::istringstream split(relative);
  for (std::string part; std::getline(split, part, '/');) parts.push_back(part);
  if (parts.empty() || !IsTemporaryName(parts.back())) return;
  FolderRef folder;
  const HostFolder* at = &fsRoot;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    folder = at->Child(parts[i]);
    if (!folder) return;
    at = folder.get();
  }
  struct stat info {};
  if (at->Stat(parts.back(), &info) && S_ISREG(info.st_mode) && info.st_nlink == 1) {
    ::unlinkat(at->fd(), parts.back().c_str(), 0);
  }
}

}  // namespace

bool IsTemporaryName(const std::string& name) {
  const std::string prefix = kTempPrefix, suffix = kTempSuffix;
  if (name.size() != prefix.size() + kTempDigits + suffix.size()) return false;
  if (!StartsWith(name, prefix) || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
  for (size_t i = prefix.size(); i < prefix.size() + kTempDigits; ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

Staging::Staging(std::string handheldFolder, std::uint64_t seed)
    : folder_(std::move(handheldFolder)), random_(seed) {}

Staging::~Staging() {
  if (journalFd_ >= 0) ::close(journalFd_);
}

bool Staging::OpenJournal() {
  for (int attempt = 0; attempt < kNameTries; ++attempt) {
    journal_ = folder_ + "/" + kJournalPrefix + Hex(random_());
    journalFd_ = ::open(journal_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (journalFd_ >= 0) break;
    if (errno != EEXIST) return false;
  }
  if (journalFd_ < 0) return false;
  // Held while the process lives: a journal whose lock is free belongs to an ended run.
  if (::flock(journalFd_, LOCK_EX | LOCK_NB) == 0) return true;
  ::close(journalFd_);
  journalFd_ = -1;
  ::unlink(journal_.c_str());
  return false;
}

bool Staging::Record(char mark, const std::string& where, const std::string& name) {
  if (journalFd_ < 0 && !OpenJournal()) return false;
  // One write per line, so a run killed at any moment leaves whole lines.
  const std::string line = std::string(1, mark) + Joined(where, name) + "\n";
  return WriteAll(journalFd_, line.data(), line.size(), 0);
}

int Staging::Create(const HostFolder& folder, const std::string& where, std::string* name) {
  for (int attempt = 0; attempt < kNameTries; ++attempt) {
    const std::string candidate = kTempPrefix + Hex(random_()) + kTempSuffix;
    const int fd = ::openat(folder.fd(), candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) continue;  // taken: by anything at all, so never touched
    if (fd < 0) return -1;
    // Recorded only once made, so a journal never lists a name the layer did not make.
    if (!Record('+', where, candidate)) {
      const int error = errno;
      ::close(fd);
      ::unlinkat(folder.fd(), candidate.c_str(), 0);
      errno = error;
      return -1;
    }
    ++pending_;
    *name = candidate;
    return fd;
  }
  errno = EEXIST;
  return -1;
}

void Staging::Resolved(const std::string& where, const std::string& name) {
  if (journalFd_ < 0) return;
  Record('-', where, name);
  if (--pending_ > 0) return;
  pending_ = 0;
  // Nothing pending: the journal is emptied, not removed, as making a file costs far
  // more than a copy's other steps; the next attach after the run removes it. One that
  // cannot be emptied still lists every name as resolved.
  [[maybe_unused]] const int emptied = ::ftruncate(journalFd_, 0);
}

void Staging::CleanUpEndedRuns(const std::string& handheldFolder, const HostFolder& fsRoot) {
  FolderRef folder = HostFolder::Open(handheldFolder);
  if (!folder) return;
  for (const std::string& name : folder->Names()) {
    if (!StartsWith(name, kJournalPrefix)) continue;
    const int fd = ::openat(folder->fd(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    // A journal whose lock can be taken belongs to a run that has ended.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      for (const std::string& relative : Unresolved(folder->path() + "/" + name)) RemoveListed(fsRoot, relative);
      struct stat info {};
      if (::fstatat(folder->fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode)) {
        ::unlinkat(folder->fd(), name.c_str(), 0);
      }
    }
    ::close(fd);
  }
  struct stat info {};
  if (folder->Stat("registry.json.tmp", &info) && S_ISREG(info.st_mode) && info.st_nlink == 1) {
    ::unlinkat(folder->fd(), "registry.json.tmp", 0);
  }
}

}  // namespace emu
