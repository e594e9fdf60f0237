#include "tools/packtool/CommandLine.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "installer/PackKeys.h"
#include "platform/win32/strings.h"

namespace packtool {

const char* const kUsage =
    "usage:\n"
    "  packtool build OUT.pak KEYS [NAME=FILE ...] [--list LISTFILE ...]\n"
    "  packtool list PACK KEYS                 prints: index offset size name\n"
    "  packtool extract PACK NAME OUT KEYS     writes the entry's bytes to OUT\n"
    "KEYS: --preset common|local, and/or --salt N, --mask W0,W1,W2,W3, --pass TEXT\n"
    "      (these override the preset; without one, a missing salt or mask is 0 and\n"
    "      a missing pass text empty). Numbers are decimal or 0x hexadecimal.\n"
    "LISTFILE: one NAME=FILE per line; relative FILEs are taken from its folder.\n"
    "Names are 8-bit: every character must lie in U+0001..U+00FF.\n";

namespace {

// A decimal or 0x hexadecimal number in -2^31..2^32-1 (no negatives unless allowed).
std::int64_t ParseNumber(const std::string& text, bool allowNegative) {
  const bool negative = !text.empty() && text[0] == '-';
  if (text.empty() || text.find_first_of(" \t\n+") != std::string::npos || (negative && !allowNegative)) {
    throw UsageError("not a valid number here: '" + text + "'");
  }
  char* end = nullptr;
  errno = 0;
  const std::int64_t value = negative ? std::strtoll(text.c_str(), &end, 0)
                                      : static_cast<std::int64_t>(std::strtoull(text.c_str(), &end, 0));
  const bool inRange = negative ? value >= INT32_MIN : (value >= 0 && value <= static_cast<std::int64_t>(UINT32_MAX));
  if (errno != 0 || end == text.c_str() || *end != '\0' || !inRange) {
    throw UsageError("not a 32-bit number: '" + text + "'");
  }
  return value;
}

std::string TakeValue(const std::vector<std::string>& args, std::size_t& at) {
  if (at + 1 >= args.size()) throw UsageError(args[at] + " needs a value");
  return args[++at];
}

}  // namespace

std::int32_t ParseSalt(const std::string& text) {
  const std::int64_t value = ParseNumber(text, true);
  // 0x80000000 and above are taken as the 32-bit pattern they spell.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::array<std::uint32_t, 4> ParseMask(const std::string& text) {
  std::array<std::uint32_t, 4> mask{};
  std::size_t start = 0;
  for (int k = 0; k < 4; ++k) {
    const std::size_t comma = text.find(',', start);
    if ((k < 3) == (comma == std::string::npos)) throw UsageError("--mask takes four words: W0,W1,W2,W3");
    const std::string word = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    mask[k] = static_cast<std::uint32_t>(ParseNumber(word, false));
    start = comma + 1;
  }
  return mask;
}

std::string EntryNameFromUtf8(const std::string& text) {
  if (text.empty()) throw std::invalid_argument("an entry name can't be empty");
  const std::wstring wide = layer::Utf8ToWide(text);
  std::string name;
  for (wchar_t unit : wide) {
    if (unit == 0 || unit > 0xFF) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(unit));
      throw std::invalid_argument("entry name '" + text + "': character " + code +
                       " can't be stored (names are 8-bit, U+0001..U+00FF; text must be UTF-8)");
    }
    name += static_cast<char>(unit);
  }
  return name;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError("no command given");
  CommandLine line;
  line.command = args[0];
  if (line.command != "build" && line.command != "list" && line.command != "extract") {
    throw UsageError("unknown command '" + line.command + "'");
  }
  for (std::size_t at = 1; at < args.size(); ++at) {
    const std::string& arg = args[at];
    if (arg == "--preset") {
      line.preset = TakeValue(args, at);
      if (*line.preset != "common" && *line.preset != "local") {
        throw UsageError("--preset is common or local, not '" + *line.preset + "'");
      }
    } else if (arg == "--salt") {
      line.salt = ParseSalt(TakeValue(args, at));
    } else if (arg == "--mask") {
      line.mask = ParseMask(TakeValue(args, at));
    } else if (arg == "--pass") {
      line.pass = TakeValue(args, at);
    } else if (arg == "--list") {
      if (line.command != "build") throw UsageError("--list belongs to build");
      line.sources.push_back({Source::Kind::ListFile, TakeValue(args, at)});
    } else if (arg.rfind("--", 0) == 0) {
      throw UsageError("unknown option '" + arg + "'");
    } else if (line.command == "build" && !line.operands.empty()) {
      line.sources.push_back({Source::Kind::Pair, arg});
    } else {
      line.operands.push_back(arg);
    }
  }
  const std::size_t wanted = line.command == "extract" ? 3 : 1;
  if (line.operands.size() != wanted) {
    throw UsageError(line.command + " takes " + (wanted == 3 ? "PACK NAME OUT" : "one pack path"));
  }
  if (!line.preset && !line.salt && !line.mask && !line.pass) {
    throw UsageError("give the pack's keys: --preset common|local, or --salt/--mask/--pass");
  }
  return line;
}

packwriter::Secrets ResolveSecrets(const CommandLine& line) {
  packwriter::Secrets secrets;
  if (line.preset) {
    const PackKeys& keys = *line.preset == "common" ? kCommonPackKeys : kLocalPackKeys;
    secrets.salt = keys.salt;
    for (int k = 0; k < 4; ++k) secrets.mask[k] = keys.mask[k];
    secrets.passText = keys.passText;
  }
  if (line.salt) secrets.salt = *line.salt;
  if (line.mask) {
    for (int k = 0; k < 4; ++k) secrets.mask[k] = (*line.mask)[k];
  }
  if (line.pass) secrets.passText = *line.pass;
  return secrets;
}

}  // namespace packtool
