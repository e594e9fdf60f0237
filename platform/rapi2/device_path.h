// Device paths of the emulated handheld: "\"-separated, absolute, compared without
// regard to letter case. Anything that could reach outside the handheld's folder is
// refused here, so the rest of the emulation only ever sees plain names.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

// One UTF-16 unit folded for comparison (Latin, Latin-1, Greek and Cyrillic letters).
wchar_t FoldUnit(wchar_t c);
std::wstring FoldCase(std::wstring_view text);
bool NamesEqual(std::wstring_view a, std::wstring_view b);

// A name the device accepts for a file or folder: no separators, wildcards, drive or
// stream colons, control characters, units outside UTF-16 or lone surrogates; not "."
// or ".."; no trailing dot or blank; at most 255 units and 255 bytes on the host.
bool IsValidName(std::wstring_view name);

// Splits an absolute device path ("\a\b", "\a\b\", "\") into its names. Repeated
// separators count as one. Relative paths, paths of MAX_PATH units or more and any
// invalid name give nothing: such a path does not exist on the device.
std::optional<std::vector<std::wstring>> SplitDevicePath(std::wstring_view path);

// A search pattern: a folder path, then a last part that may hold "*" and "?".
struct FindPattern {
  std::vector<std::wstring> folder;
  std::wstring pattern;
};
std::optional<FindPattern> SplitFindPattern(std::wstring_view path);
// Matches as the device does, without regard to case; "*.*" matches every name.
bool MatchesPattern(std::wstring_view name, std::wstring_view pattern);

std::wstring JoinDevicePath(const std::vector<std::wstring>& names);

}  // namespace emu
