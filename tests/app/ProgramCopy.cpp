#include "tests/app/ProgramCopy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace apptest {

namespace fs = std::filesystem;

ProgramCopy::ProgramCopy() {
  for (const char* item : {"Config.xml", "Common.pak", "Local.pak", "Splash.png", "Inst"}) {
    fs::copy(DistFolder() + "/" + item, folder() + "/" + item, fs::copy_options::recursive);
  }
}

std::string ProgramCopy::PayloadPath(const std::string& name) const { return folder() + "/Inst/" + name; }

std::string ProgramCopy::Payload(const std::string& name) const { return ReadFile(PayloadPath(name)); }

void ProgramCopy::ReplacePayload(const std::string& name, const std::string& bytes) const {
  std::ofstream(PayloadPath(name), std::ios::binary | std::ios::trunc) << bytes;
}

void ProgramCopy::StallPayload(const std::string& name) const {
  fs::remove(PayloadPath(name));
  if (::mkfifo(PayloadPath(name).c_str(), 0644) != 0) throw std::runtime_error("mkfifo failed");
}

bool ProgramCopy::MakeCurrent() const { return ::chdir(folder().c_str()) == 0; }

}  // namespace apptest
