#include "tests/app/HandheldView.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace apptest {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kShownAsText = 64;

std::uint64_t Fnv1a(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

void WriteWhole(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace

std::string Shown(const std::string& bytes) {
  if (bytes.size() <= kShownAsText) return bytes;
  char digest[17];
  std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(Fnv1a(bytes)));
  return "<" + std::to_string(bytes.size()) + " bytes, " + digest + ">";
}

DeviceTree ReadDeviceTree(const TempHandheld& handheld) {
  DeviceTree tree;
  const fs::path root = handheld.folder() + "/fs";
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    std::string devicePath;
    for (const fs::path& part : fs::relative(entry.path(), root)) devicePath += "\\" + part.string();
    if (entry.is_directory()) {
      tree[devicePath + "\\"] = "";
    } else {
      tree[devicePath] = Shown(ReadFile(entry.path().string()));
    }
  }
  return tree;
}

std::string PayloadFile(const std::string& name) { return ReadFile(DistFolder() + "/Inst/" + name); }

DeviceTree FreshSampleDevice() {
  return {{"\\Windows\\", ""},
          {"\\Windows\\Start Menu\\", ""},
          {"\\Windows\\Start Menu\\Programs\\", ""},
          {"\\Storage Card\\", ""}};
}

DeviceTree WithTheGameFolder(const std::string& executable, const DeviceTree& more) {
  DeviceTree tree = FreshSampleDevice();
  tree.insert({{"\\Program Files\\", ""},
               {"\\Program Files\\Tamblor Games\\", ""},
               {kGameFolder, ""},
               {kGameFolder + "Config.xml", Shown(PayloadFile("Config.xml"))},
               {kGameFolder + "QuellorMobile.exe", Shown(executable)}});
  tree.insert(more.begin(), more.end());
  return tree;
}

void PutDeviceFile(const TempHandheld& handheld, const std::string& devicePath, const std::string& bytes) {
  const fs::path host = handheld.HostPath(devicePath);
  fs::create_directories(host.parent_path());
  WriteWhole(host.string(), bytes);
}

void PutRegistry(const TempHandheld& handheld, const json& keys) {
  // Through a rename, as the layer writes it, so it is never read half written.
  WriteWhole(handheld.folder() + "/registry.json.new", keys.dump(2));
  fs::rename(handheld.folder() + "/registry.json.new", handheld.folder() + "/registry.json");
}

}  // namespace apptest
