// What the installer's end-to-end tests stand on: an emulated handheld made from the
// sample one, the program's log, and runs of the built program as a child.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/device/DeviceKit.h"
#include "tests/support/TempFolder.h"

namespace apptest {

using nlohmann::json;

using testsupport::TempFolder;

// Where the build put the program and its sample distribution.
inline std::string DistFolder() { return QUELLOR_DIST_DIR; }
// Whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// An emulated handheld in a temporary folder, as the device tests make it.
using devtest::TempHandheld, devtest::Sz, devtest::Dword;
// The sample distribution's default handheld: a VGA Pocket PC with one storage card
// whose game writes "KX" and "SP" 3 seconds after it starts. Not connected, the layer
// sees no handheld.
json SampleProfile(bool connected = true);

inline const std::string kGameFolder = "\\Program Files\\Tamblor Games\\Quellor\\";
inline const std::string kGameKey = "Software\\TamblorGames\\Quellor";
inline const std::string kPrograms = "\\Windows\\Start Menu\\Programs";

// Every log file under a log root (ALLUSERS), decoded from UTF-16 to UTF-8.
std::vector<std::string> ReadLogs(const std::string& root);

struct ProgramRun {
  int exitCode = -1;   // -1 when it did not exit normally
  int signal = 0;      // the signal that ended it, if any
  std::string output;  // standard output and error together
};

// Runs a program in a folder with the environment changed by `env` (an empty value
// removes the variable), and waits for it. A watchdog ends a program that hangs.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                      const std::map<std::string, std::string>& env);

}  // namespace apptest
