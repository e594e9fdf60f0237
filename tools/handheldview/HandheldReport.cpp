#include "tools/handheldview/HandheldReport.h"

#include <cstdio>
#include <iomanip>
#include <sstream>

#include "platform/rapi2/handheld_files.h"
#include "platform/rapi2/handheld_profile.h"
#include "platform/rapi2/handheld_registry.h"
#include "platform/rapi2/rapi2_types.h"
#include "platform/win32/strings.h"

namespace {

using layer::WideToUtf8;

std::string Faults(const emu::Profile& p) {
  std::string list;
  auto add = [&](bool on, const std::string& name) {
    if (on) list += (list.empty() ? "" : ", ") + name;
  };
  add(p.noDesktop, "no_desktop");
  add(p.sessionRefused, "session_refused");
  add(p.processRefused, "process_refused");
  add(p.shortcutRefused, "shortcut_refused");
  add(p.disconnectAfterBytes.has_value(),
      "disconnect after " + std::to_string(p.disconnectAfterBytes.value_or(0)) + " bytes");
  return list.empty() ? "none" : list;
}

// Writes a folder's entries, indented, and returns the bytes its files hold.
std::uint64_t WriteFolder(const emu::DeviceFiles& files, const emu::HostFolder& folder, bool atRoot, int depth,
                          std::ostream& out) {
  std::uint64_t total = 0;
  for (const emu::ListedEntry& entry : files.List(folder, atRoot)) {
    std::string indent(static_cast<size_t>(depth) * 2 + 2, ' ');
    if (entry.isDir) {
      std::ostringstream inner;
      const emu::FolderRef child = folder.Child(entry.hostName);
      std::uint64_t size = child ? WriteFolder(files, *child, false, depth + 1, inner) : 0;
      out << indent << WideToUtf8(entry.name) << "\\" << (entry.isCard ? "  [card]" : "") << "  (" << size
          << " bytes)\n"
          << inner.str();
      total += size;
    } else {
      auto size = static_cast<std::uint64_t>(entry.info.st_size);
      out << indent << WideToUtf8(entry.name) << "  " << size << "\n";
      total += size;
    }
  }
  return total;
}

std::string ValueText(const emu::RegValue& value) {
  switch (value.type) {
    case REG_DWORD: {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08x", value.number);
      return std::to_string(value.number) + " (" + hex + ")";
    }
    case REG_BINARY: return emu::RegValueToJson(value)["value"].get<std::string>();
    default: {
      std::string text;
      for (const auto& s : value.strings) text += (text.empty() ? "\"" : " \"") + WideToUtf8(s) + "\"";
      return text;
    }
  }
}

void WriteVolume(const emu::DeviceFiles& files, int index, const emu::Volume& v, std::ostream& out) {
  std::string label = index < 0 ? "main memory" : "\\" + WideToUtf8(v.name);
  if (index >= 0 && !files.VolumeRoot(index)) {
    out << "  " << std::left << std::setw(16) << label << "  (folder missing)\n";
    return;
  }
  std::uint64_t used = files.UsedBytes(index);
  std::uint64_t room = v.total > v.reserved ? v.total - v.reserved : 0;
  out << "  " << std::left << std::setw(16) << label << std::right << "  total " << v.total << "  reserved "
      << v.reserved << "  used " << used << "  free " << (room > used ? room - used : 0) << "\n";
}

}  // namespace

bool WriteHandheldReport(const std::string& folder, std::ostream& out, std::string* error) {
  emu::Profile p;
  const emu::WholeFile read = emu::LoadProfile(folder + "/profile.json", &p, error);
  if (read != emu::WholeFile::kRead) {
    *error = read == emu::WholeFile::kMissing ? folder + ": no profile.json, so no handheld"
                                              : folder + "/profile.json: " + *error;
    return false;
  }
  // Never walk a tree reached through a link: the layer refuses such a handheld too.
  if (std::string problem = emu::RootFolderProblem(folder); !problem.empty()) {
    *error = problem;
    return false;
  }
  emu::RegistryStore registry;
  if (!registry.Load(folder + "/registry.json", error)) {
    *error = folder + "/registry.json: " + *error;
    return false;
  }

  out << "Handheld " << folder << "\n"
      << "  \"" << WideToUtf8(p.name) << "\", OS " << p.osMajor << "." << p.osMinor << ", screen " << p.screenWidth
      << "x" << p.screenHeight << ", " << (p.connected ? "connected" : "not connected") << "\n"
      << "  programs folder: " << (p.programsFolder ? WideToUtf8(*p.programsFolder) : "(none)") << "\n"
      << "  faults: " << Faults(p) << "\n";

  std::vector<std::wstring> cards;
  for (const auto& card : p.cards) cards.push_back(card.name);
  emu::DeviceFiles files(folder + "/fs", cards);
  out << "\nFiles\n  \\\n";
  if (files.root()) WriteFolder(files, *files.root(), true, 1, out);

  out << "\nRegistry (HKEY_CURRENT_USER)\n";
  if (registry.keys().empty()) out << "  (empty)\n";
  for (const auto& [folded, key] : registry.keys()) {
    out << "  " << WideToUtf8(key.path) << "\n";
    for (const auto& value : key.values) {
      out << "    " << std::left << std::setw(6) << WideToUtf8(value.name) << std::setw(14) << emu::RegTypeName(value.type)
          << std::right << ValueText(value) << "\n";
    }
  }

  out << "\nVolumes\n";
  WriteVolume(files, -1, p.mainMemory, out);
  for (size_t i = 0; i < p.cards.size(); ++i) WriteVolume(files, static_cast<int>(i), p.cards[i], out);
  return true;
}
