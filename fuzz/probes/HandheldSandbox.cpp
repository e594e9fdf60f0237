#include "fuzz/probes/HandheldSandbox.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/rapi2/handheld_hold.h"
#include "platform/rapi2/handheld_registry.h"
#include "platform/rapi2/staging.h"

namespace fuzzprobe {

namespace fs = std::filesystem;

namespace {

constexpr char kSentinel[] = "must stay as it is";

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

[[noreturn]] void Die(const char* what) {
  std::fprintf(stderr, "handheld sandbox: %s\n", what);
  std::abort();
}

// Small volumes, so that writes soon meet a full disk too.
constexpr char kProfile[] = R"({
  "name": "Probe",
  "main_memory": { "total": 1048576, "reserved": 0 },
  "cards": [ { "name": "Storage Card", "total": 1048576, "reserved": 0 } ],
  "programs_folder": "\\Windows\\Start Menu\\Programs"
})";

}  // namespace

HandheldSandbox& HandheldSandbox::Get() {
  static HandheldSandbox sandbox;
  return sandbox;
}

HandheldSandbox::HandheldSandbox() : folder_("quellor-path-probe"), base_(folder_.Path()) {
  handheld_ = base_ / "handheld";
  fsRoot_ = handheld_ / "fs";
  outside_ = base_ / "outside";
  fs::create_directories(fsRoot_);
  fs::create_directories(outside_);
  WriteText(base_ / "outside.txt", kSentinel);
  WriteText(outside_ / "keep.txt", kSentinel);
  WriteText(handheld_ / "outside.txt", kSentinel);
  WriteText(handheld_ / "profile.json", kProfile);
  ResetDevice();
  before_ = Snapshot();

  ::setenv("RAPI_HANDHELD", handheld_.c_str(), 1);
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(CoCreateInstance(CLSID_RAPI, nullptr, CLSCTX_INPROC_SERVER, IID_IRAPIDesktop,
                              reinterpret_cast<LPVOID*>(&desktop_))) ||
      FAILED(desktop_->EnumDevices(&devices_)) || devices_->Next(&device_) != S_OK ||
      FAILED(device_->CreateSession(&session_)) || FAILED(session_->CeRapiInit())) {
    Die("the emulated handheld does not answer");
  }
}

HandheldSandbox::~HandheldSandbox() {
  if (session_) session_->Release();
  if (device_) device_->Release();
  if (devices_) devices_->Release();
  if (desktop_) desktop_->Release();
}

void HandheldSandbox::ResetDevice() const {
  fs::remove_all(fsRoot_);
  fs::create_directories(fsRoot_ / "Storage Card");
  fs::create_directories(fsRoot_ / "Windows" / "Start Menu" / "Programs");
  fs::create_directories(fsRoot_ / "Program Files");
  WriteText(fsRoot_ / "Existing.txt", "on the device");
  fs::create_directory_symlink(outside_, fsRoot_ / "escape");
  fs::create_symlink(handheld_ / "outside.txt", fsRoot_ / "escape.txt");
  fs::create_directory_symlink("../..", fsRoot_ / "Storage Card" / "up");
}

std::map<std::string, std::string> HandheldSandbox::Snapshot() const {
  std::map<std::string, std::string> entries;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(base_, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error)) {
    const fs::path& path = it->path();
    const std::string name = path.filename().string();
    // The device's own changing state: its files, its registry (written whole through
    // a temporary file), the hold and the journal of the run.
    if (path.parent_path() == handheld_ &&
        (name == "fs" || name == emu::kRegistryFile || name == emu::kHoldFileName ||
         name.starts_with(emu::kJournalPrefix) || name.starts_with(emu::kTemporaryPrefix))) {
      if (name == "fs") it.disable_recursion_pending();
      continue;
    }
    const fs::file_status status = it->symlink_status();
    if (fs::is_symlink(status)) {
      entries[path.string()] = "link " + fs::read_symlink(path).string();
    } else if (fs::is_directory(status)) {
      entries[path.string()] = "dir";
    } else {
      entries[path.string()] = "file " + ReadText(path);
    }
  }
  return entries;
}

std::string HandheldSandbox::Damage() const {
  const std::map<std::string, std::string> now = Snapshot();
  for (const auto& [path, what] : now) {
    auto was = before_.find(path);
    if (was == before_.end()) return "made outside the device: " + path;
    if (was->second != what) return "changed outside the device: " + path;
  }
  for (const auto& [path, what] : before_) {
    if (!now.contains(path)) return "removed outside the device: " + path;
  }
  // The device makes files and folders only; the links are the sandbox's own.
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(fsRoot_, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error)) {
    if (!fs::is_symlink(it->symlink_status())) continue;
    const std::string name = it->path().filename().string();
    if (name != "escape" && name != "escape.txt" && name != "up") {
      return "a link appeared in fs/: " + it->path().string();
    }
  }
  return {};
}

}  // namespace fuzzprobe
