// Device paths of the emulated handheld: however a path is formed, what it maps to is
// inside fs/ (checked on the mapping itself, after resolving every folder on the way),
// and file operations of a session with it change nothing outside fs/.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/probes/HandheldSandbox.h"
#include "fuzz/probes/ProbeKit.h"
#include "fuzz/probes/Probes.h"
#include "platform/rapi2/device_path.h"
#include "platform/rapi2/handheld_files.h"

namespace fuzzprobe {

namespace {

namespace fs = std::filesystem;

// The input's UTF-16LE units up to the first 0 unit, from at on; at moves past it.
std::wstring NextPath(Input input, std::size_t& at) {
  std::wstring path;
  for (; at + 1 < input.size(); at += 2) {
    const wchar_t unit = static_cast<wchar_t>(input[at] | input[at + 1] << 8);
    if (unit == 0) {
      at += 2;
      break;
    }
    path += unit;
  }
  return path;
}

bool Under(const fs::path& path, const fs::path& root) {
  auto [rootEnd, pathAt] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  return rootEnd == root.end();
}

void CheckNames(const std::vector<std::wstring>& names, Problems& problems) {
  for (const std::wstring& name : names) {
    problems.Check(emu::IsValidName(name) && name != L"." && name != L".." &&
                       name.find_first_of(L"/\\:") == std::wstring::npos && name.find(L'\0') == std::wstring::npos,
                   [&] { return "a name the device refuses came through: " + Narrow(name); });
  }
}

// Where the names lead on the host: below fs/ by exactly one component per name,
// through real folders only, and no further than fs/ once every link is resolved.
void CheckMapping(const std::vector<std::wstring>& names, const fs::path& root, Problems& problems) {
  emu::DeviceFiles files(root.string(), {L"Storage Card"});
  emu::HostEntry entry;
  if (!files.Resolve(names, &entry)) return;
  const fs::path host(entry.host);
  auto where = [&] { return " for " + Narrow(emu::JoinDevicePath(names)) + " -> " + entry.host; };
  problems.Check(Under(host, root), [&] { return "mapped outside fs/" + where(); });
  const fs::path inside = host.lexically_relative(root);
  std::size_t parts = 0;
  for (const fs::path& part : inside) {
    if (part == ".") continue;  // the root itself
    problems.Check(part != ".." && !part.empty(), [&] { return "mapped through . or .." + where(); });
    ++parts;
  }
  problems.Check(parts == names.size(), [&] { return "mapped to another depth" + where(); });
  const fs::path parent = names.empty() ? host : host.parent_path();
  std::error_code error;
  const fs::path real = fs::canonical(parent, error);
  problems.Check(!error && Under(real, fs::canonical(root)),
                 [&] { return "the folder on the way leads outside fs/" + where(); });
  if (entry.exists) {
    problems.Check(!fs::is_symlink(fs::symlink_status(host, error)),
                   [&] { return "resolved onto a link" + where(); });
  }
}

void CheckPath(const std::wstring& path, const fs::path& root, Problems& problems) {
  if (auto names = emu::SplitDevicePath(path)) {
    CheckNames(*names, problems);
    CheckMapping(*names, root, problems);
  }
  if (auto search = emu::SplitFindPattern(path)) {
    CheckNames(search->folder, problems);
    CheckMapping(search->folder, root, problems);
  }
}

// What the device holds at a path now, seen the way the layer maps it.
struct Found {
  bool exists = false;
  bool isDir = false;
  std::string content;
};

Found Look(const std::wstring& path, const fs::path& root) {
  Found found;
  auto names = emu::SplitDevicePath(path);
  emu::HostEntry entry;
  if (!names || !emu::DeviceFiles(root.string(), {L"Storage Card"}).Resolve(*names, &entry) || !entry.exists) {
    return found;
  }
  found.exists = true;
  found.isDir = entry.isDir;
  if (!entry.isDir) {
    std::ifstream in(entry.host, std::ios::binary);
    found.content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return found;
}

// Every file operation of a session with the path; the second path is the shortcut's
// target and also gets a file of its own. What an operation reports as done must be
// what the device then holds at the path.
void UseInSession(IRAPISession* session, std::wstring path, std::wstring other, const fs::path& root,
                  Problems& problems) {
  static const char kBytes[] = "probe";
  auto where = [&](const char* what) { return std::string(what) + " for " + Narrow(path); };
  DWORD written = 0;
  if (session->CeCreateDirectory(path.c_str(), nullptr)) {
    const Found made = Look(path, root);
    problems.Check(made.exists && made.isDir, [&] { return where("a made folder is not there"); });
  }
  for (const std::wstring* name : {&path, &other}) {
    HANDLE file = session->CeCreateFile(name->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    const bool wrote = session->CeWriteFile(file, kBytes, sizeof kBytes - 1, &written, nullptr);
    session->CeCloseHandle(file);
    const Found now = Look(*name, root);
    if (wrote) {
      problems.Check(now.exists && !now.isDir && now.content == kBytes,
                     [&] { return where("a written file differs"); });
    } else {
      problems.Check(!now.exists, [&] { return where("a failed write left a file"); });
    }
  }
  HANDLE file = session->CeCreateFile(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                      nullptr);
  if (file != INVALID_HANDLE_VALUE) session->CeCloseHandle(file);

  DWORD count = 0;
  LPCE_FIND_DATA found = nullptr;
  if (session->CeFindAllFiles(path.c_str(), FAF_NAME | FAF_ATTRIBUTES | FAF_SIZE_LOW, &count, &found) && found) {
    for (DWORD i = 0; i < count; ++i) {
      const std::wstring name(found[i].cFileName);
      problems.Check(emu::IsValidName(name), [&] { return where("a listed name is not a device name"); });
    }
    session->CeRapiFreeBuffer(found);
  }
  ULARGE_INTEGER free{}, total{}, totalFree{};
  session->CeGetDiskFreeSpaceEx(path.c_str(), &free, &total, &totalFree);
  PROCESS_INFORMATION process{};
  if (session->CeCreateProcess(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                               &process)) {
    session->CeCloseHandle(process.hThread);
    session->CeCloseHandle(process.hProcess);
  }
  session->CeSHCreateShortcut(other.data(), path.data());
  session->CeSHCreateShortcut(path.data(), other.data());
  if (session->CeDeleteFile(path.c_str())) {
    problems.Check(!Look(path, root).exists, [&] { return where("a deleted file is still there"); });
  }
  if (session->CeRemoveDirectory(path.c_str())) {
    problems.Check(!Look(path, root).exists, [&] { return where("a removed folder is still there"); });
  }
  session->CeRemoveDirectory(other.c_str());
}

}  // namespace

std::string ProbeDevicePath(Input input) {
  HandheldSandbox& sandbox = HandheldSandbox::Get();
  std::size_t at = 0;
  const std::wstring path = NextPath(input, at);
  const std::wstring other = NextPath(input, at);
  Problems problems;
  CheckPath(path, sandbox.FsRoot(), problems);
  CheckPath(other, sandbox.FsRoot(), problems);
  UseInSession(sandbox.Session(), path, other, sandbox.FsRoot(), problems);
  const std::string damage = sandbox.Damage();
  problems.Check(damage.empty(), damage);
  sandbox.ResetDevice();
  return problems.Take();
}

}  // namespace fuzzprobe
