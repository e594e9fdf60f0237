#include "tests/app/AppKit.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/testkit/files.h"
#include "platform/win32/strings.h"

namespace apptest {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

json SampleProfile(bool connected) {
  json profile = json::parse(ReadFile(DistFolder() + "/Handheld/profile.json"));
  profile["connected"] = connected;
  return profile;
}

ProgramCopy::ProgramCopy() {
  for (const char* item : {"Config.xml", "Common.pak", "Local.pak", "Splash.png", "Inst"}) {
    fs::copy(DistFolder() + "/" + item, folder_.Path() + "/" + item, fs::copy_options::recursive);
  }
}

void ProgramCopy::StallPayload(const std::string& name) const { testkit::StallReadsOf(PayloadPath(name)); }

bool ProgramCopy::MakeCurrent() const { return ::chdir(folder_.Path().c_str()) == 0; }

std::vector<std::string> ReadLogs(const std::string& root) {
  std::vector<fs::path> files;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error)) {
    if (it->is_regular_file()) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  std::vector<std::string> logs;
  for (const fs::path& file : files) {
    const std::string bytes = ReadFile(file.string());
    std::wstring units;  // UTF-16LE
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      units += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    logs.push_back(layer::WideToUtf8(units));
  }
  return logs;
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                      const std::map<std::string, std::string>& env) {
  // timeout ends a program that hangs, and passes on the signal that ended one that died.
  std::string unset, set;  // env takes its options before its assignments
  for (const auto& [name, value] : env) (value.empty() ? unset : set) += value.empty() ? " -u " + name : " " + name + "='" + value + "'";
  std::string command = "cd '" + folder + "' && exec env" + unset + set + " timeout -s KILL 60 '" + program + "'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("popen failed");
  ProgramRun run;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) != 0;) run.output.append(buffer, n);
  const int status = ::pclose(pipe);
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  return run;
}

}  // namespace apptest
