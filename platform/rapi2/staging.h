// Temporary files of the emulated handheld: new content is written under a name of
// the layer's own beside its target and renamed over it when it is complete. The
// name is legal on every file system a handheld folder may live on, and a name that
// is taken (by anything, even a file made by hand) is never reused or removed.
//
// Each temporary file is recorded in a journal of the process's own in the handheld
// folder, locked while the process lives; a later attach removes the temporary files
// that the journals of ended (killed) runs still list, and nothing else, then those
// journals.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "platform/rapi2/host_folder.h"

namespace emu {

bool IsTemporaryName(const std::string& name);

class Staging {
 public:
  // The seed only decides which names are tried first.
  explicit Staging(std::string handheldFolder, std::uint64_t seed = std::random_device{}());
  ~Staging();
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  // Makes an empty temporary file in a folder that lies at `where` (host names below
  // fs/, joined by "/"; empty for fs/ itself) and records it. Returns its descriptor
  // (write only) and its name, or -1 with errno set.
  int Create(const HostFolder& folder, const std::string& where, std::string* name);
  // The temporary file took its target's name or was removed.
  void Resolved(const std::string& where, const std::string& name);

  // Removes the temporary files of runs that ended without resolving them, then their
  // journals; also registry.json's temporary file when such a run left it.
  static void CleanUpEndedRuns(const std::string& handheldFolder, const HostFolder& fsRoot);

 private:
  bool OpenJournal();
  bool Record(char mark, const std::string& where, const std::string& name);

  const std::string folder_;
  std::mt19937_64 random_;
  std::string journal_;
  int journalFd_ = -1;
  int pending_ = 0;
};

}  // namespace emu
