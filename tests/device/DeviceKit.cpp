#include "tests/device/DeviceKit.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/rapi2/handheld.h"
#include "platform/win32/strings.h"

namespace devtest {

namespace fs = std::filesystem;

namespace {

// Through a rename, as an editor would save it, so the layer sees a new file.
void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path + ".new", std::ios::binary) << text;
  fs::rename(path + ".new", path);
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TempHandheld::TempHandheld(const json& profile) {
  WriteProfile(profile);
  ::setenv("RAPI_HANDHELD", folder().c_str(), 1);
}

TempHandheld::~TempHandheld() { ::unsetenv("RAPI_HANDHELD"); }

void TempHandheld::WriteProfile(const json& profile) const { WriteText(folder() + "/profile.json", profile.dump(2)); }

void TempHandheld::WriteRegistry(const json& keys) const { WriteText(folder() + "/registry.json", keys.dump(2)); }

json TempHandheld::Registry() const {
  if (!fs::exists(folder() + "/registry.json")) return json::object();
  return json::parse(ReadText(folder() + "/registry.json"));
}

void TempHandheld::Put(const std::string& devicePath, const std::string& content) const {
  fs::path host = folder() + "/fs";
  for (char c : devicePath) host += c == '\\' ? '/' : c;
  if (devicePath.back() == '\\') return static_cast<void>(fs::create_directories(host));
  fs::create_directories(host.parent_path());
  WriteText(host.string(), content);
}

void TempHandheld::DropLinkAfterCalls(int calls) const { emu::Handheld::Attach(folder())->DropLinkAfterCalls(calls); }

Tree TempHandheld::Tree() const { return FolderTree(folder() + "/fs"); }

std::set<std::string> TempHandheld::TopNames() const {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder())) names.insert(entry.path().filename().string());
  return names;
}

Tree FolderTree(const std::string& root) {
  Tree tree;
  if (!fs::exists(root)) return tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string path = "\\" + fs::relative(entry.path(), root).string();
    for (char& c : path) c = c == '/' ? '\\' : c;
    tree[entry.is_directory() ? path + "\\" : path] = entry.is_directory() ? "" : ReadText(entry.path());
  }
  return tree;
}

TempPayload::TempPayload() {
  fs::create_directories(folder_.File("Inst"));
  for (const auto& [name, text] : {std::pair{"Config.xml", kConfigText}, {"QuellorMobileVGA.exe", kVgaExeText},
                                   {"QuellorMobileQVGA.exe", kQvgaExeText}, {"QuellorMobile.exe", kGenericExeText},
                                   {"QMRes_VGA.dat", kVgaDataText}, {"QMRes_QVGA.dat", kQvgaDataText}}) {
    WriteText(folder_.File("Inst/") + name, text);
  }
  previous_ = fs::current_path().string();
  fs::current_path(folder_.Path());
}

TempPayload::~TempPayload() { fs::current_path(previous_); }

json GameProgram(const json& delaySeconds, const std::string& shortcutFolder) {
  json values = {{"KX", Dword(1)}};
  if (!shortcutFolder.empty()) values["SP"] = Sz(shortcutFolder);
  return {{"\\Program Files\\Tamblor Games\\Quellor\\QuellorMobile.exe",
           {{"delay_seconds", delaySeconds}, {"registry", {{"Software\\TamblorGames\\Quellor", values}}}}}};
}

void ReleaseLink(CDeviceLink& link, bool keepDesktop) {
  IUnknown* held[] = {link.session, link.device, link.enumDevices, keepDesktop ? nullptr : link.desktop};
  for (IUnknown* object : held) {
    if (object) object->Release();
  }
  if (!keepDesktop) link.desktop = nullptr;
  link.desktopReady = link.desktop != nullptr;
  SysFreeString(link.deviceInfo.bstrName);
  SysFreeString(link.deviceInfo.bstrPlatform);
  link.session = nullptr;
  link.device = nullptr;
  link.enumDevices = nullptr;
  link.deviceInfo = {};
  link.connected = false;
}

HANDLE Open(IRAPISession* session, const wchar_t* path, DWORD creation) {
  return session->CeCreateFile(path, GENERIC_WRITE, 0, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool Put(IRAPISession* session, HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  return session->CeWriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool Write(IRAPISession* session, const wchar_t* path, const std::string& bytes, DWORD creation) {
  HANDLE file = Open(session, path, creation);
  const bool ok = bytes.empty() || Put(session, file, bytes);
  return session->CeCloseHandle(file) && ok;
}

DWORD FreeBytes(IRAPISession* session, const wchar_t* folder) {
  ULARGE_INTEGER free{}, total{}, totalFree{};
  if (!session->CeGetDiskFreeSpaceEx(folder, &free, &total, &totalFree)) return 0xFFFFFFFF;
  EXPECT_EQ(free.QuadPart, totalFree.QuadPart);
  return static_cast<DWORD>(free.QuadPart);
}

}  // namespace devtest
