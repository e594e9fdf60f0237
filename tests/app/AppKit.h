// What the installer's end-to-end tests stand on: temporary folders, an emulated
// handheld made from the sample one, the program's log, and runs of the built program
// as a child process.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace apptest {

using nlohmann::json;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  explicit TempFolder(const char* prefix);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Where the build put the program and its sample distribution.
std::string DistFolder();

// An emulated handheld in a temporary folder; RAPI_HANDHELD names it while it lives.
// It starts as the sample distribution's default handheld (a VGA Pocket PC with one
// storage card whose game writes "KX" and "SP" 3 seconds after it starts), or with no
// profile at all, which the layer sees as no handheld.
class TempHandheld {
 public:
  enum class Start { SampleDevice, NothingAttached };

  explicit TempHandheld(Start start = Start::SampleDevice);
  ~TempHandheld();

  const std::string& folder() const { return folder_.path(); }
  json Profile() const;
  // Through a rename, so the layer never reads half a file.
  void WriteProfile(const json& profile) const;
  // The sample device's profile, as the plug-in of its cable.
  void Attach() const;
  // registry.json as the layer wrote it; an empty object when there is none.
  json Registry() const;
  // A device path ("\\Program Files\\a.txt") as a host path inside fs/.
  std::string HostPath(const std::string& devicePath) const;
  bool Exists(const std::string& devicePath) const;
  std::string Read(const std::string& devicePath) const;

 private:
  TempFolder folder_;
};

// Whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// Every log file under a log root (ALLUSERS), decoded from UTF-16 to UTF-8, in name order.
std::vector<std::string> ReadLogs(const std::string& root);

struct ProgramRun {
  int exitCode = -1;   // -1 when it did not exit normally
  int signal = 0;      // the signal that ended it, if any
  std::string output;  // standard output and error together
};

// Runs a program with arguments in a folder, with the environment changed by `env`
// (an empty value removes the variable), and waits for it. A watchdog ends a program
// that hangs, so a broken build fails the test instead of stalling the suite.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                      const std::map<std::string, std::string>& env);

}  // namespace apptest
