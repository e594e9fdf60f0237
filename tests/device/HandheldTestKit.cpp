#include "tests/device/HandheldTestKit.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/win32/strings.h"

namespace devtest {

namespace fs = std::filesystem;

namespace {

std::string MakeTempFolder(const char* prefix) {
  std::string pattern = (fs::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TempHandheld::TempHandheld(const json& profile) : folder_(MakeTempFolder("handheld")) {
  WriteProfile(profile);
  ::setenv("RAPI_HANDHELD", folder_.c_str(), 1);
}

TempHandheld::~TempHandheld() {
  ::unsetenv("RAPI_HANDHELD");
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

void TempHandheld::WriteProfile(const json& profile) const {
  // Through a rename, as an editor would save it, so the layer sees a new file.
  WriteText(folder_ + "/profile.json.new", profile.dump(2));
  fs::rename(folder_ + "/profile.json.new", folder_ + "/profile.json");
}

void TempHandheld::WriteRegistry(const json& registry) const {
  WriteText(folder_ + "/registry.json.new", registry.dump(2));
  fs::rename(folder_ + "/registry.json.new", folder_ + "/registry.json");
}

json TempHandheld::Registry() const {
  if (!fs::exists(folder_ + "/registry.json")) return json::object();
  return json::parse(ReadText(folder_ + "/registry.json"));
}

std::string TempHandheld::HostPath(const std::string& devicePath) const {
  std::string host = folder_ + "/fs";
  for (char c : devicePath) host += c == '\\' ? '/' : c;
  return host;
}

void TempHandheld::Put(const std::string& devicePath, const std::string& content) const {
  fs::path host = HostPath(devicePath);
  fs::create_directories(host.parent_path());
  WriteText(host.string(), content);
}

void TempHandheld::MakeFolder(const std::string& devicePath) const { fs::create_directories(HostPath(devicePath)); }

Tree TempHandheld::Tree() const {
  devtest::Tree tree;
  const fs::path root = folder_ + "/fs";
  if (!fs::exists(root)) return tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string path = "\\" + fs::relative(entry.path(), root).string();
    for (char& c : path) c = c == '/' ? '\\' : c;
    if (entry.is_directory()) {
      tree[path + "\\"] = "";
    } else {
      tree[path] = ReadText(entry.path());
    }
  }
  return tree;
}

TempPayload::TempPayload() : folder_(MakeTempFolder("payload")) {
  fs::create_directories(folder_ + "/Inst");
  WriteText(folder_ + "/Inst/Config.xml", kConfigText);
  WriteText(folder_ + "/Inst/QuellorMobileVGA.exe", kVgaExeText);
  WriteText(folder_ + "/Inst/QuellorMobileQVGA.exe", kQvgaExeText);
  WriteText(folder_ + "/Inst/QuellorMobile.exe", kGenericExeText);
  WriteText(folder_ + "/Inst/QMRes_VGA.dat", kVgaDataText);
  WriteText(folder_ + "/Inst/QMRes_QVGA.dat", kQvgaDataText);
  previous_ = fs::current_path().string();
  fs::current_path(folder_);
}

TempPayload::~TempPayload() {
  fs::current_path(previous_);
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

Tree With(Tree entries) {
  entries.insert({{"\\Windows\\", ""}, {"\\Windows\\Start Menu\\", ""}, {"\\Windows\\Start Menu\\Programs\\", ""}});
  return entries;
}

json GameProgram(const json& delaySeconds, const std::string& shortcutFolder) {
  json values = {{"KX", Dword(1)}};
  if (!shortcutFolder.empty()) values["SP"] = Sz(shortcutFolder);
  return {{"\\Program Files\\Tamblor Games\\Quellor\\QuellorMobile.exe",
           {{"delay_seconds", delaySeconds}, {"registry", {{"Software\\TamblorGames\\Quellor", values}}}}}};
}

void ReleaseLink(CDeviceLink& link, bool keepDesktop) {
  if (link.session) link.session->Release();
  if (link.device) link.device->Release();
  if (link.enumDevices) link.enumDevices->Release();
  if (link.desktop && !keepDesktop) {
    link.desktop->Release();
    link.desktop = nullptr;
    link.desktopReady = false;
  }
  SysFreeString(link.deviceInfo.bstrName);
  SysFreeString(link.deviceInfo.bstrPlatform);
  link.session = nullptr;
  link.device = nullptr;
  link.enumDevices = nullptr;
  link.deviceInfo.bstrName = nullptr;
  link.deviceInfo.bstrPlatform = nullptr;
  link.connected = false;
}

RapiSession::RapiSession() {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(CoCreateInstance(CLSID_RAPI, nullptr, CLSCTX_INPROC_SERVER, IID_IRAPIDesktop,
                              reinterpret_cast<LPVOID*>(&desktop)))) {
    return;
  }
  if (FAILED(desktop->EnumDevices(&devices)) || devices->Next(&device) != S_OK) return;
  if (FAILED(device->CreateSession(&session))) return;
  started = session->CeRapiInit();
}

RapiSession::~RapiSession() {
  if (session) session->Release();
  if (device) device->Release();
  if (devices) devices->Release();
  if (desktop) desktop->Release();
}

bool RapiSession::WriteFile(const wchar_t* path, const std::string& bytes) {
  HANDLE file = session->CeCreateFile(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = session->CeWriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return session->CeCloseHandle(file) && ok && written == bytes.size();
}

std::string Utf8(const std::wstring& text) { return layer::WideToUtf8(text); }

}  // namespace devtest
