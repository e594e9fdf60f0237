// A readable account of an emulated handheld's folder: the device's facts, its file
// tree with sizes, its registry and the free space of each volume. Reads only.
#pragma once

#include <ostream>
#include <string>

// False, with the reason in *error, when the folder holds no readable handheld.
bool WriteHandheldReport(const std::string& folder, std::ostream& out, std::string* error);
