// What an emulated handheld holds, in a form that compares whole and prints readably
// when it differs: its files and folders by device path, and its registry values; and
// what the sample handheld holds before and part way through an installation.
#pragma once

#include <map>
#include <string>

#include "tests/app/AppKit.h"

namespace apptest {

using DeviceTree = std::map<std::string, std::string>;

// A file's content as a tree shows it: short texts as they are, anything longer by
// its size and a digest, so that a large payload file differs visibly but briefly.
std::string Shown(const std::string& bytes);

// Every folder ("\Program Files\" ) and file ("\Program Files\a.txt" -> Shown(content))
// on the handheld.
DeviceTree ReadDeviceTree(const TempHandheld& handheld);

// Puts a file on the handheld as if an earlier run had left it, making its folders.
void PutDeviceFile(const TempHandheld& handheld, const std::string& devicePath, const std::string& bytes);
// Replaces the handheld's registry (HKEY_CURRENT_USER) with these keys and values.
void PutRegistry(const TempHandheld& handheld, const json& keys);

// The game's folder in main memory, with its closing backslash, and its registry key.
inline const std::string kGameFolder = "\\Program Files\\Tamblor Games\\Quellor\\";
inline const std::string kGameKey = "Software\\TamblorGames\\Quellor";

// A file of the sample distribution's payload ("QMRes_VGA.dat").
std::string PayloadFile(const std::string& name);
// The sample handheld as the layer prepares it: the folders of its Start menu and card.
DeviceTree FreshSampleDevice();
// The fresh sample handheld with the game's folders holding the sample configuration
// and this executable (the first two copies of an installation on main memory), and
// the given entries.
DeviceTree WithTheGameFolder(const std::string& executable, const DeviceTree& more = {});

// Registry values as registry.json holds them.
inline json Sz(const std::string& text) { return {{"type", "REG_SZ"}, {"value", text}}; }
inline json Dword(int value) { return {{"type", "REG_DWORD"}, {"value", value}}; }

}  // namespace apptest
