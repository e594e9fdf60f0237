// The pack tool's command line:
//   packtool build OUT.pak KEYS [NAME=FILE ...] [--list LISTFILE ...]
//   packtool list PACK KEYS
//   packtool extract PACK NAME OUT KEYS
// KEYS: --preset common|local and/or --salt N, --mask W0,W1,W2,W3, --pass TEXT, which
// override the preset's values; without a preset, what is not given is 0 or empty.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/packtool/PackWriter.h"

namespace packtool {

// A command line the tool can't act on; main prints the usage after it.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What to put into a pack, in command-line order.
struct Source {
  enum class Kind { Pair, ListFile } kind;
  std::string text;  // "NAME=FILE" or the list file's path
};

struct CommandLine {
  std::string command;
  std::vector<std::string> operands;  // everything but options and, for build, the sources
  std::vector<Source> sources;
  std::optional<std::string> preset;
  std::optional<std::int32_t> salt;
  std::optional<std::array<std::uint32_t, 4>> mask;
  std::optional<std::string> pass;
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The preset's secrets with the overrides applied.
packwriter::Secrets ResolveSecrets(const CommandLine& line);

// A 32-bit number, decimal or 0x hexadecimal; a salt may also be negative.
std::int32_t ParseSalt(const std::string& text);
std::array<std::uint32_t, 4> ParseMask(const std::string& text);

// An entry name as typed (UTF-8) to the 8-bit characters a pack stores: every character
// must lie in U+0001..U+00FF, else std::invalid_argument.
std::string EntryNameFromUtf8(const std::string& text);

extern const char* const kUsage;

}  // namespace packtool
