// One program at a time holds an emulated handheld, as one connection holds one
// device: the holder keeps an exclusive lock on ".rapi-hold" in the handheld folder.
// Only the holder changes anything there (files, registry, journals, clean-up), so two
// programs on one folder can never undo, double-count or half-see each other's work.
// The lock is taken without waiting; the kernel lets go of it when the holder dies.
#pragma once

#include <string>

#include "platform/rapi2/host_folder.h"

namespace emu {

constexpr char kHoldFileName[] = ".rapi-hold";

class HoldFile {
 public:
  enum class Outcome { kTaken, kHeldElsewhere, kRefused };

  HoldFile() = default;
  ~HoldFile();
  HoldFile(const HoldFile&) = delete;
  HoldFile& operator=(const HoldFile&) = delete;

  // Takes the hold of the handheld folder `home` (not held yet). Not kTaken: *why says
  // in one line which program has it, or what is wrong with the file.
  Outcome Take(const HostFolder& home, std::string* why);
  // Lets go, removing the file first (while still holding it), so that a program that
  // ends normally leaves nothing behind. A program taking the hold meanwhile may have
  // opened the file just before it went and lock it once it is free: it then finds that
  // the name no longer leads to the file it locked, and tries again.
  void Release(const HostFolder& home);
  // Closes a forked child's copy of the descriptor, leaving the file and the lock to
  // the holder: once the holder ends, nothing the child inherited keeps the lock.
  void Forget();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace emu
