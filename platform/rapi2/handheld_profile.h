// profile.json of an emulated handheld: the device's facts, what its programs do when
// started, and the faults it shows. Every field has a default; unknown fields and
// values of the wrong kind are errors, so typos never pass silently.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rapi2/bounded_read.h"
#include "platform/rapi2/handheld_registry.h"

namespace emu {

struct Volume {
  std::wstring name;  // a card's root folder name; empty for main memory
  std::uint64_t total = 0;
  std::uint64_t reserved = 0;
};

struct ProgramBehaviour {
  std::wstring path;                  // device path of the executable
  std::optional<double> delaySeconds; // none: never writes its values
  struct Write {
    std::wstring key;
    RegValue value;
  };
  std::vector<Write> writes;
};

struct Profile {
  std::wstring name = L"Pocket PC";
  std::uint32_t osMajor = 5;
  std::uint32_t osMinor = 2;
  std::int32_t screenWidth = 480;
  std::int32_t screenHeight = 640;
  bool connected = true;
  Volume mainMemory{L"", 67108864, 20971520};
  std::vector<Volume> cards;
  std::optional<std::wstring> programsFolder = std::wstring(L"\\Windows\\Start Menu\\Programs");
  std::vector<ProgramBehaviour> programs;
  bool noDesktop = false;
  bool sessionRefused = false;
  bool processRefused = false;
  bool shortcutRefused = false;
  std::optional<std::uint64_t> disconnectAfterBytes;
};

// Parses the text of profile.json; on failure *error says why in one line.
bool ParseProfile(std::string_view text, Profile* out, std::string* error);
// Reads and parses the profile.json at path, which must be a plain file of at most
// kMaxHandheldFileBytes. kMissing: there is none; kRefused: *error says why in one line.
WholeFile LoadProfile(const std::string& path, Profile* out, std::string* error);
// The same for a name in a folder held open.
WholeFile LoadProfileAt(int folder, const std::string& name, Profile* out, std::string* error);

}  // namespace emu
