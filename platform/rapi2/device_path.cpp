#include "platform/rapi2/device_path.h"

#include "platform/win32/strings.h"
#include "platform/win32/types.h"

namespace emu {

wchar_t FoldUnit(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return c + 32;
  if (c < 0xC0) return c;
  if (c <= 0xDE && c != 0xD7) return c + 32;                       // Latin-1 capitals
  if (c >= 0x100 && c <= 0x17F) {                                  // Latin Extended-A pairs
    bool evenUpper = (c < 0x138) || (c >= 0x14A && c < 0x178);
    if (evenUpper) return (c % 2 == 0) ? c + 1 : c;
    if (c >= 0x139 && c <= 0x148) return (c % 2 == 1) ? c + 1 : c;
    if (c >= 0x179 && c <= 0x17E) return (c % 2 == 1) ? c + 1 : c;
    if (c == 0x178) return 0xFF;
    return c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;       // Greek capitals
  if (c >= 0x410 && c <= 0x42F) return c + 32;                     // Cyrillic А-Я
  if (c >= 0x400 && c <= 0x40F) return c + 80;                     // Cyrillic Ѐ-Џ
  return c;
}

std::wstring FoldCase(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = FoldUnit(c);
  return out;
}

bool NamesEqual(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldUnit(a[i]) != FoldUnit(b[i])) return false;
  }
  return true;
}

namespace {

// Units the device accepts in a name, wildcards aside.
bool IsNameUnit(wchar_t c, bool allowWildcards) {
  if (static_cast<unsigned long>(c) > 0xFFFF || c < 0x20) return false;
  switch (c) {
    case L'\\': case L'/': case L':': case L'"': case L'<': case L'>': case L'|':
      return false;
    case L'*': case L'?':
      return allowWildcards;
    default:
      return true;
  }
}

bool HasLoneSurrogate(std::wstring_view name) {
  for (size_t i = 0; i < name.size(); ++i) {
    wchar_t c = name[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] > 0xDFFF) return true;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

bool IsValidNameWith(std::wstring_view name, bool allowWildcards) {
  if (name.empty() || name.size() > 255 || name == L"." || name == L"..") return false;
  if (name.back() == L'.' || name.back() == L' ') return false;
  for (wchar_t c : name) {
    if (!IsNameUnit(c, allowWildcards)) return false;
  }
  if (HasLoneSurrogate(name)) return false;
  return layer::WideToUtf8(name).size() <= 255;
}

std::optional<std::vector<std::wstring>> SplitNames(std::wstring_view path) {
  if (path.empty() || path.front() != L'\\' || path.size() >= MAX_PATH) return std::nullopt;
  std::vector<std::wstring> names;
  size_t start = 1;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring_view::npos) end = path.size();
    if (end > start) names.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

}  // namespace

bool IsValidName(std::wstring_view name) { return IsValidNameWith(name, false); }

std::optional<std::vector<std::wstring>> SplitDevicePath(std::wstring_view path) {
  auto names = SplitNames(path);
  if (!names) return std::nullopt;
  for (const auto& name : *names) {
    if (!IsValidName(name)) return std::nullopt;
  }
  return names;
}

std::optional<FindPattern> SplitFindPattern(std::wstring_view path) {
  auto names = SplitNames(path);
  if (!names || names->empty() || path.back() == L'\\') return std::nullopt;
  FindPattern result;
  result.pattern = names->back();
  names->pop_back();
  if (!IsValidNameWith(result.pattern, true)) return std::nullopt;
  for (const auto& name : *names) {
    if (!IsValidName(name)) return std::nullopt;
  }
  result.folder = std::move(*names);
  return result;
}

bool MatchesPattern(std::wstring_view name, std::wstring_view pattern) {
  if (pattern == L"*.*" || pattern == L"*") return true;
  // Iterative wildcard match with one backtrack point for the latest "*".
  size_t n = 0, p = 0, starP = std::wstring_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || FoldUnit(pattern[p]) == FoldUnit(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::wstring_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

std::wstring JoinDevicePath(const std::vector<std::wstring>& names) {
  if (names.empty()) return L"\\";
  std::wstring path;
  for (const auto& name : names) {
    path += L'\\';
    path += name;
  }
  return path;
}

}  // namespace emu
