// The configuration reader: a file it accepts must answer every text and splash record
// it stored, and a file it refuses must leave the globals as they were.
#include <cstdint>

#include "engine/Config.h"
#include "fuzz/probes/ProbeKit.h"
#include "fuzz/probes/Probes.h"
#include "fuzz/probes/ScratchFile.h"

namespace fuzzprobe {

namespace {

void ClearConfig() {
  g_Header.clear();
  g_CommonPackPath.clear();
  g_LocalPackPath.clear();
  g_Splashes.clear();
  g_Texts.clear();
}

// Splash records are asked for only below their count: beyond it the program ends.
void CheckSplashes(Problems& problems) {
  std::size_t counted = 0;
  for (std::uint32_t when : {kSplashAtStart, kSplashAtEnd, kSplashUnknown}) {
    const std::uint32_t count = CountSplashes(when);
    counted += count;
    std::size_t at = 0;
    for (std::uint32_t n = 0; n < count; ++n) {
      while (at < g_Splashes.size() && g_Splashes[at].when != when) ++at;
      const SplashRecord record = GetSplash(when, static_cast<std::int32_t>(n));
      problems.Check(at < g_Splashes.size() && record.when == when && record.id == g_Splashes[at].id &&
                         record.resource == g_Splashes[at].resource,
                     [&] {
                       return "GetSplash(" + std::to_string(when) + ", " + std::to_string(n) +
                              ") is not the n-th record";
                     });
      ++at;
    }
  }
  problems.Check(counted == g_Splashes.size(), "CountSplashes misses records");
  for (const SplashRecord& record : g_Splashes) {
    problems.Check(record.resource == kSplashInternal || record.resource == kSplashExternal ||
                       record.resource == kSplashUnknown,
                   "splash resource out of range");
  }
}

void CheckTexts(Problems& problems) {
  for (const auto& stored : g_Texts) {
    const TextKey& key = stored.first;
    const std::wstring& text = stored.second;
    problems.Check(LookupText(key.id, key.idx) == text, [&] { return "LookupText differs for " + Narrow(key.id); });
    // Neighbouring keys are either stored or empty, never another key's text.
    for (std::int64_t wide : {std::int64_t{key.idx} - 1, std::int64_t{key.idx} + 1}) {
      if (wide < INT32_MIN || wide > INT32_MAX) continue;
      const auto idx = static_cast<std::int32_t>(wide);
      auto found = g_Texts.find(TextKey{key.id, idx});
      const std::wstring expected = found != g_Texts.end() ? found->second : std::wstring();
      problems.Check(LookupText(key.id, idx) == expected, "LookupText of a neighbouring index differs");
    }
  }
  problems.Check(LookupText(L"\uFFFFno such section", 0).empty(), "a missing section gives a text");
}

}  // namespace

std::string ProbeConfig(Input input) {
  static ScratchFile scratch;
  if (!scratch.Write(input)) return "scratch file could not be written";
  Problems problems;
  ClearConfig();
  if (ReadConfig(scratch.Path())) {
    CheckSplashes(problems);
    CheckTexts(problems);
  } else {
    problems.Check(g_Header.empty() && g_CommonPackPath.empty() && g_LocalPackPath.empty() && g_Splashes.empty() &&
                       g_Texts.empty(),
                   "a refused file changed the globals");
  }
  ClearConfig();
  return problems.Take();
}

}  // namespace fuzzprobe

// Xerces 3.2 leaks a few bytes for every document whose DOCTYPE names an external subset
// (allocated in XMLScanner::scanProlog and never freed); that is the library's, not a
// fault to find here. LeakSanitizer takes this list from whatever binary holds it.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:xercesc_3_2::XMLScanner::scanProlog\n";
}
