#include "platform/rapi2/staging.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/rapi2/bounded_read.h"

namespace emu {

namespace {

constexpr char kTempSuffix[] = ".tmp";
constexpr size_t kDigits = 16;
constexpr int kNameTries = 16;

std::string Hex(std::uint64_t value) {
  char text[kDigits + 1];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// prefix, 16 lower-case hex digits, suffix: the only names the layer makes.
bool IsMadeName(const std::string& name, const std::string& prefix, const std::string& suffix) {
  if (name.size() != prefix.size() + kDigits + suffix.size()) return false;
  if (!StartsWith(name, prefix) || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
  for (size_t i = prefix.size(); i < prefix.size() + kDigits; ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

// A journal line names fs/'s temporary files by their path below it, and the handheld
// folder's own by "/" and the name.
std::string Entry(const std::string& where, const std::string& name) {
  if (where == Staging::kHandheldFolder) return "/" + name;
  return where.empty() ? name : where + "/" + name;
}

// The temporary files a journal still lists: each added ("+") and not resolved ("-").
// Nothing when it cannot be read whole.
bool Unresolved(int journal, std::set<std::string>* open) {
  std::string text, why;
  if (ReadOpenFile(journal, Staging::kJournalLimit, &text, &why) != WholeFile::kRead) return false;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.size() < 2) continue;
    if (line[0] == '+') open->insert(line.substr(1));
    if (line[0] == '-') open->erase(line.substr(1));
  }
  return true;
}

// Removes one listed temporary file, reached from fs/ (or the handheld folder) one real
// folder at a time; only a plain file that still bears a temporary name and has no
// other name goes.
void RemoveListed(const HostFolder& home, const HostFolder& fsRoot, const std::string& entry) {
  const bool inHome = StartsWith(entry, "/");
  std::vector<std::string> parts;
  std::istringstream split(inHome ? entry.substr(1) : entry);
  for (std::string part; std::getline(split, part, '/');) parts.push_back(part);
  if (parts.empty() || (inHome && parts.size() != 1) || !IsTemporaryName(parts.back())) return;
  FolderRef folder;
  const HostFolder* at = inHome ? &home : &fsRoot;
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

bool IsTemporaryName(const std::string& name) { return IsMadeName(name, kTemporaryPrefix, kTempSuffix); }

Staging::Staging(FolderRef home, std::uint64_t seed) : home_(std::move(home)), owner_(::getpid()), random_(seed) {}

Staging::~Staging() {
  if (journalFd_ < 0) return;
  if (pending_.empty() && owner_ == ::getpid()) ::unlinkat(home_->fd(), journal_.c_str(), 0);
  ::close(journalFd_);
}

int Staging::OpenJournal(std::string* name) {
  for (int attempt = 0; attempt < kNameTries; ++attempt) {
    const std::string candidate = kJournalPrefix + Hex(random_());
    const int fd = ::openat(home_->fd(), candidate.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return -1;
    // Held while the run lives: a journal whose lock is free belongs to an ended run.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      *name = candidate;
      return fd;
    }
    const int error = errno;
    ::close(fd);
    ::unlinkat(home_->fd(), candidate.c_str(), 0);
    errno = error;
    return -1;
  }
  errno = EEXIST;
  return -1;
}

bool Staging::Rewrite() {
  std::string name;
  const int fd = OpenJournal(&name);
  if (fd < 0) return false;
  std::string lines;
  for (const std::string& entry : pending_) lines += "+" + entry + "\n";
  if (!WriteAll(fd, lines.data(), lines.size(), 0)) {
    ::close(fd);
    ::unlinkat(home_->fd(), name.c_str(), 0);
    return false;
  }
  // Until the old journal goes, both list the pending names: a run killed in between
  // leaves two journals that agree.
  ::unlinkat(home_->fd(), journal_.c_str(), 0);
  ::close(journalFd_);
  journalFd_ = fd;
  journal_ = std::move(name);
  journalBytes_ = lines.size();
  stale_ = false;
  return true;
}

bool Staging::Record(char mark, const std::string& entry) {
  if (journalFd_ < 0 && (journalFd_ = OpenJournal(&journal_)) < 0) return false;
  const std::string line = mark + entry + "\n";
  if ((stale_ || journalBytes_ + line.size() > kJournalLimit) && !Rewrite()) return false;
  // One write per line, so a run killed at any moment leaves whole lines. Part of a line
  // that the PC's full disk cut short is taken back: the next line must not join it.
  if (!WriteAll(journalFd_, line.data(), line.size(), 0)) {
    const int error = errno;
    // Left cut, it would swallow the next line: then the journal is written anew first.
    if (::ftruncate(journalFd_, static_cast<off_t>(journalBytes_)) != 0) stale_ = true;
    errno = error;
    return false;
  }
  journalBytes_ += line.size();
  return true;
}

int Staging::Create(const HostFolder& folder, const std::string& where, std::string* name) {
  for (int attempt = 0; attempt < kNameTries; ++attempt) {
    const std::string candidate = kTemporaryPrefix + Hex(random_()) + kTempSuffix;
    const std::string entry = Entry(where, candidate);
    // Pending names never fill more than half a journal, so a rewrite always leaves room.
    if (pendingBytes_ + entry.size() + 2 > kJournalLimit / 2) {
      errno = EMFILE;
      return -1;
    }
    // Written ahead: the name is listed before the file is made, so a run killed at any
    // moment leaves no temporary file that its journal does not list.
    if (!Record('+', entry)) return -1;
    const int fd = ::openat(folder.fd(), candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
      const int error = errno;
      // Not made: taken by anything at all (never touched), or refused. Struck off the
      // list at once, so that the clean-up leaves it alone; where even that fails, the
      // journal is written anew, without it, before its next line. Left: a run killed
      // between the two lines leaves a taken name listed, and the clean-up then removes
      // a plain file that bears the layer's own kind of name, made by hand or by another
      // program, in the very moment a 64-bit random name was tried.
      if (!Record('-', entry)) stale_ = true;
      if (error == EEXIST) continue;
      errno = error;
      return -1;
    }
    pending_.insert(entry);
    pendingBytes_ += entry.size() + 2;
    *name = candidate;
    return fd;
  }
  errno = EEXIST;
  return -1;
}

void Staging::Resolved(const std::string& where, const std::string& name) {
  const std::string entry = Entry(where, name);
  if (pending_.erase(entry) == 0) return;
  pendingBytes_ -= entry.size() + 2;
  Record('-', entry);
  if (!pending_.empty()) return;
  // Nothing pending: the journal is emptied, not removed, as making a file costs far
  // more than a copy's other steps. One that cannot be emptied still lists every name
  // as resolved.
  if (::ftruncate(journalFd_, 0) == 0) journalBytes_ = 0;
}

void Staging::CleanUpEndedRuns(const HostFolder& home, const HostFolder& fsRoot) {
  for (const std::string& name : home.Names()) {
    if (!IsMadeName(name, kJournalPrefix, "")) continue;
    const int fd = ::openat(home.fd(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    std::set<std::string> open;
    struct stat info {};
    // A journal whose lock can be taken belongs to a run that has ended. One that cannot
    // be read whole was not written by the layer, which keeps its journals short.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_nlink == 1 && Unresolved(fd, &open)) {
      for (const std::string& entry : open) RemoveListed(home, fsRoot, entry);
      ::unlinkat(home.fd(), name.c_str(), 0);
    }
    ::close(fd);
  }
}

}  // namespace emu
