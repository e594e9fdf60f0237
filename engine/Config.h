// The configuration file "Config.xml": window title, the paths of the two resource
// packs, the splash pictures and the text table, read once at start-up into globals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Where a splash picture comes from and when it is shown. An attribute that is missing
// or holds another value leaves kSplashUnknown, which matches neither.
constexpr std::uint32_t kSplashInternal = 0;  // "internal": a picture of a resource pack
constexpr std::uint32_t kSplashExternal = 1;  // "external": a picture file
constexpr std::uint32_t kSplashAtStart = 0;   // "start"
constexpr std::uint32_t kSplashAtEnd = 1;     // "end"
constexpr std::uint32_t kSplashUnknown = 0xFFFFFFFFu;

struct SplashRecord {
  std::uint32_t resource = kSplashUnknown;
  std::wstring id;  // the picture's name in a pack, or a file path
  std::uint32_t when = kSplashUnknown;
};

// A text's section and index. Sections compare by UTF-16 unit, then indexes as signed.
struct TextKey {
  std::wstring id;
  std::int32_t idx = 0;

  friend bool operator<(const TextKey& a, const TextKey& b) {
    if (a.id != b.id) return a.id < b.id;
    return a.idx < b.idx;
  }
};

extern std::wstring g_Header;
extern std::wstring g_CommonPackPath;
extern std::wstring g_LocalPackPath;
extern std::vector<SplashRecord> g_Splashes;
extern std::map<TextKey, std::wstring> g_Texts;

// Bounds of one read: the characters of text the document may hold once its entities
// are expanded, and the memory the parser may take (also the largest file read).
constexpr std::size_t kConfigMaxText = std::size_t{1} << 22;
constexpr std::size_t kConfigParseMemory = std::size_t{64} << 20;

// Parses the file and adds what it holds to the globals. False when the file can't be
// read (anything but a regular file included), is not well-formed XML or passes one
// of the bounds above; the globals are then left exactly as they were. External DTDs
// and entities, local files included, are never read: they read as empty.
bool ReadConfig(const std::wstring& path);

// The text of (id, idx), or an empty text.
std::wstring LookupText(const std::wstring& id, std::int32_t idx);
// The number of splash records whose when equals the argument.
std::uint32_t CountSplashes(std::uint32_t when);
// The n-th record (from 0, in file order) among those whose when equals the argument.
// Asking for one that does not exist is a caller's error that ends the program.
SplashRecord GetSplash(std::uint32_t when, std::int32_t n);

// The leading decimal integer of an "idx" value: white space skipped, an optional
// sign, then digits; no digits give 0, values beyond 32 bits are clamped.
std::int32_t ParseTextIndex(const std::wstring& text);
