// Temporary files of the emulated handheld: new content (device files, shortcuts,
// registry.json) is written under a name of the layer's own beside its target and
// renamed over it when it is complete. The name is legal on every file system a
// handheld folder may live on, and a name that is taken (by anything, even a file made
// by hand) is never reused, nor removed but in the one case Create names.
//
// Each temporary file is recorded in a journal of the run's own in the handheld folder
// before it is made, and the journal is locked while the run lives; a later attach
// removes the temporary files that the journals of ended (killed) runs still list, and
// nothing else, then those journals. A journal is kept short, so that the clean-up can
// always read it whole: when it grows past its bound it is written anew with only the
// names still pending. A line is whole or absent: one the PC's full disk cut short is
// taken back, and the call that wrote it fails. A run that ends with nothing pending
// removes its journal.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>

#include "platform/rapi2/host_folder.h"

namespace emu {

// How the names of the layer's own files begin: temporary files, then journals.
constexpr char kTemporaryPrefix[] = "~rapi-";
constexpr char kJournalPrefix[] = ".rapi-pending-";

bool IsTemporaryName(const std::string& name);

class Staging {
 public:
  // `where` of a temporary file in the handheld folder itself (beside fs/).
  static constexpr char kHandheldFolder[] = "/";
  // The most a journal holds; names pending at once may take half of it.
  static constexpr std::size_t kJournalLimit = std::size_t{4} << 20;

  // `home` is the handheld folder, held open; the seed only decides which names are
  // tried first.
  explicit Staging(FolderRef home, std::uint64_t seed = std::random_device{}());
  // Removes the journal when nothing is pending; otherwise leaves it for the next attach.
  // A forked child's copy leaves it to the process that made it.
  ~Staging();
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  // Makes an empty temporary file in a folder that lies at `where` (host names below
  // fs/, joined by "/", empty for fs/ itself; or kHandheldFolder) and records it.
  // Returns its descriptor (write only) and its name, or -1 with errno set (EMFILE when
  // so many are pending that the journal could not list one more).
  int Create(const HostFolder& folder, const std::string& where, std::string* name);
  // The temporary file took its target's name or was removed.
  void Resolved(const std::string& where, const std::string& name);

  // Removes the temporary files of runs that ended without resolving them, then their
  // journals. A journal that cannot be read whole is left as it is.
  static void CleanUpEndedRuns(const HostFolder& home, const HostFolder& fsRoot);

 private:
  int OpenJournal(std::string* name);
  bool Record(char mark, const std::string& entry);
  // Writes the pending names into a new journal, which replaces the current one.
  bool Rewrite();

  FolderRef home_;
  const pid_t owner_;
  std::mt19937_64 random_;
  std::string journal_;
  int journalFd_ = -1;
  std::size_t journalBytes_ = 0;  // up to the end of its last whole line
  bool stale_ = false;  // it holds what it must not (part of a line, a name not made)
  std::set<std::string> pending_;  // "<where>/<name>" as the journal lists them
  std::size_t pendingBytes_ = 0;   // their lines' length
};

}  // namespace emu
