// Emulated handhelds and PC payload folders made in temporary folders for one test,
// links to them, and views of what a handheld holds afterwards.
#pragma once

#include <map>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "installer/DeviceLink.h"
#include "tests/support/TempFolder.h"

namespace devtest {

using nlohmann::json;
// Every folder (path ending in "\") and file (path -> content) on a handheld.
using Tree = std::map<std::string, std::string>;

class TempHandheld {
 public:
  // Writes profile.json (fields left out take their defaults) and makes RAPI_HANDHELD
  // point at the folder.
  explicit TempHandheld(const json& profile = json::object());
  ~TempHandheld();

  const std::string& folder() const { return folder_.Path(); }
  void WriteProfile(const json& profile) const;
  void WriteRegistry(const json& registry) const;
  // registry.json as written by the layer; an empty object when there is none.
  json Registry() const;
  // Device paths are UTF-8 with "\" ("\\Program Files\\a.txt"); one ending in "\" is a folder.
  void Put(const std::string& devicePath, const std::string& content = "") const;
  // The link goes down after that many more session calls.
  void DropLinkAfterCalls(int calls) const;
  devtest::Tree Tree() const;
  // The names in the handheld folder itself (profile.json, fs, the layer's own files).
  std::set<std::string> TopNames() const;

 private:
  testsupport::TempFolder folder_{"handheld"};
};

// A PC folder holding the payload "Inst\..." with a distinct text in every file; it
// is the current directory while the object lives.
class TempPayload {
 public:
  TempPayload();
  ~TempPayload();

 private:
  testsupport::TempFolder folder_{"payload"};
  std::string previous_;
};

// What each payload file holds.
inline const std::string kConfigText = "config";
inline const std::string kVgaExeText = "vga-exe";
inline const std::string kQvgaExeText = "qvga-exe";
inline const std::string kGenericExeText = "generic-exe";
inline const std::string kVgaDataText = "vga-data";
inline const std::string kQvgaDataText = "qvga-data";

// Every folder and file under a host folder, not following links, named as on a device.
Tree FolderTree(const std::string& root);
// The folders of a fresh default handheld plus the given entries.
inline Tree With(Tree entries) {
  entries.insert({{"\\Windows\\", ""}, {"\\Windows\\Start Menu\\", ""}, {"\\Windows\\Start Menu\\Programs\\", ""}});
  return entries;
}
inline json Sz(const std::string& text) { return {{"type", "REG_SZ"}, {"value", text}}; }
inline json Dword(int value) { return {{"type", "REG_DWORD"}, {"value", value}}; }
// A game listed in the profile that writes KX (and SP when given) after the delay
// (null: never).
json GameProgram(const json& delaySeconds, const std::string& shortcutFolder = "");

// Lets go of the enumerator, device, session and device record a link obtained, and of
// its desktop unless it is the application's link, which keeps it.
void ReleaseLink(CDeviceLink& link, bool keepDesktop = false);
// A link made for one test and let go of at its end; its session reaches the device
// straight through the RAPI2 calls.
struct Link : CDeviceLink {
  ~Link() { ReleaseLink(*this); }
};
// A device file opened for writing; the bytes written to it (all of them, or false).
HANDLE Open(IRAPISession* session, const wchar_t* path, DWORD creation = CREATE_ALWAYS);
bool Put(IRAPISession* session, HANDLE file, const std::string& bytes);
// Free bytes of the volume holding a device folder, as the session reports them
// (0xFFFFFFFF when it cannot); free to the caller and free in all must agree.
DWORD FreeBytes(IRAPISession* session, const wchar_t* folder);
// Opens a device file, writes the bytes (if any) and closes it; false when any step fails.
bool Write(IRAPISession* session, const wchar_t* path, const std::string& bytes, DWORD creation = CREATE_ALWAYS);

}  // namespace devtest
