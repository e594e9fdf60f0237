// The installer's folder copied into a temporary folder (configuration, packs, splash
// picture and the "Inst" payload), so that a test can change the payload. The program
// takes the payload from its current folder when it installs; a journey step makes
// the copy current after start-up, and the installation then copies the copy's files.
#pragma once

#include <string>

#include "tests/app/AppKit.h"

namespace apptest {

class ProgramCopy {
 public:
  ProgramCopy();

  const std::string& folder() const { return folder_.path(); }
  // A payload file by name ("QMRes_VGA.dat") and its bytes.
  std::string PayloadPath(const std::string& name) const;
  std::string Payload(const std::string& name) const;
  void ReplacePayload(const std::string& name, const std::string& bytes) const;
  // The payload file becomes a pipe that nobody writes to: opening it for reading
  // waits for good, as a copy from a medium that stopped answering does.
  void StallPayload(const std::string& name) const;
  // The program's current folder becomes the copy; false when it cannot.
  bool MakeCurrent() const;

 private:
  TempFolder folder_{"program"};
};

}  // namespace apptest
