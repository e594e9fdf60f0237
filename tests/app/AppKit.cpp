#include "tests/app/AppKit.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/win32/strings.h"

namespace apptest {

namespace fs = std::filesystem;

namespace {

// Generous: a program run takes well under a second; this only ends a hang.
constexpr unsigned kWatchdogSeconds = 60;

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace

TempFolder::TempFolder(const char* prefix) {
  std::string pattern = (fs::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string DistFolder() { return QUELLOR_DIST_DIR; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TempHandheld::TempHandheld(Start start) : folder_("handheld") {
  if (start == Start::SampleDevice) Attach();
  ::setenv("RAPI_HANDHELD", folder_.path().c_str(), 1);
}

TempHandheld::~TempHandheld() { ::unsetenv("RAPI_HANDHELD"); }

json TempHandheld::Profile() const { return json::parse(ReadFile(DistFolder() + "/Handheld/profile.json")); }

void TempHandheld::WriteProfile(const json& profile) const {
  WriteFile(folder() + "/profile.json.new", profile.dump(2));
  fs::rename(folder() + "/profile.json.new", folder() + "/profile.json");
}

void TempHandheld::Attach() const { WriteProfile(Profile()); }

json TempHandheld::Registry() const {
  const std::string text = ReadFile(folder() + "/registry.json");
  return text.empty() ? json::object() : json::parse(text);
}

std::string TempHandheld::HostPath(const std::string& devicePath) const {
  std::string host = folder() + "/fs";
  for (char c : devicePath) host += c == '\\' ? '/' : c;
  return host;
}

bool TempHandheld::Exists(const std::string& devicePath) const { return fs::exists(HostPath(devicePath)); }

std::string TempHandheld::Read(const std::string& devicePath) const { return ReadFile(HostPath(devicePath)); }

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
    std::wstring units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      units += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                    (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    logs.push_back(layer::WideToUtf8(units));
  }
  return logs;
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                      const std::map<std::string, std::string>& env) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::dup2(pipeFds[1], STDERR_FILENO);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    for (const auto& [name, value] : env) {
      if (value.empty()) {
        ::unsetenv(name.c_str());
      } else {
        ::setenv(name.c_str(), value.c_str(), 1);
      }
    }
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::alarm(kWatchdogSeconds);  // survives exec
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  ProgramRun run;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    run.output.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  return run;
}

}  // namespace apptest
