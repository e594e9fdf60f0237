#include "tests/app/AppKit.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

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

std::vector<std::string> ReadLogs(const std::string& root) {
  std::vector<std::string> logs;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const std::string bytes = ReadFile(entry.path().string());
    std::wstring units;  // UTF-16LE
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      units += wchar_t(std::uint8_t(bytes[i]) | std::uint8_t(bytes[i + 1]) << 8);
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
