// What the installer's end-to-end tests stand on: the sample distribution and an
// emulated handheld made from its sample one.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "tests/device/DeviceKit.h"
#include "tests/support/TempFolder.h"

namespace apptest {

using nlohmann::json;

using testsupport::TempFolder, testsupport::ReadBytes;

// Where the build put the program and its sample distribution.
inline std::string DistFolder() { return QUELLOR_DIST_DIR; }
// Whole file as text; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  const testsupport::Bytes bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// An emulated handheld in a temporary folder, as the device tests make it.
using devtest::TempHandheld, devtest::Sz, devtest::Dword;
// The sample distribution's default handheld: a VGA Pocket PC with one storage card
// whose game writes "KX" and "SP" 3 seconds after it starts. Not connected, the layer
// sees no handheld.
inline json SampleProfile(bool connected = true) {
  json profile = json::parse(ReadBytes(DistFolder() + "/Handheld/profile.json"));
  profile["connected"] = connected;
  return profile;
}

inline const std::string kGameFolder = "\\Program Files\\Tamblor Games\\Quellor\\";
inline const std::string kGameKey = "Software\\TamblorGames\\Quellor";
inline const std::string kPrograms = "\\Windows\\Start Menu\\Programs";

}  // namespace apptest
