// Installation and removal of the game on the handheld: the two large operations of
// the device link. Every call goes through the link's session on the worker thread.
#include <wchar.h>
#include <string>
#include <vector>

#include "installer/DeviceLink.h"
#include "installer/GameLayout.h"
#include "platform/win32/threads.h"

namespace {

// Start-menu entries carry the game's Russian title in title case or its English title.
constexpr const WCHAR* kShortcutRu = L"\\Сага Квеллора.lnk";
constexpr const WCHAR* kShortcutEn = L"\\Quellor Saga Rus.lnk";
constexpr const WCHAR* kGamesFolderRu = L"\\Игры";
constexpr const WCHAR* kGamesFolderEn = L"\\Games";

// Tried when neither the game's folder nor the device's Programs folder gave a shortcut.
constexpr const WCHAR* kFallbackShortcuts[] = {
    L"\\Windows\\Start Menu\\Programs\\Игры\\Сага квеллора.lnk",
    L"\\Windows\\Start Menu\\Programs\\Games\\Сага квеллора.lnk",
    L"\\Windows\\Start Menu\\Programs\\Games\\Quellor Saga Rus.lnk",
    L"\\Windows\\Start Menu\\Programs\\Сага квеллора.lnk",
    L"\\Windows\\Start Menu\\Programs\\Quellor Saga Rus.lnk",
    L"\\Windows\\Start Menu\\Игры\\Сага квеллора.lnk",
    L"\\Windows\\Start Menu\\Games\\Сага квеллора.lnk",
};
constexpr const WCHAR* kFallbackFolders[] = {
    L"\\Program Files\\Start Menu\\Programs\\Игры",
    L"\\Program Files\\Start Menu\\Programs\\Games",
};

// The game writes "KX" once it has run; it is asked this often, this far apart.
constexpr int kMarkerQuestions = 60;
constexpr DWORD kMarkerPauseMs = 2000;

struct PayloadFile {
  const WCHAR* pcPath;
  const WCHAR* deviceName;  // null: the game executable
};

std::vector<PayloadFile> PayloadFor(ScreenClass screen) {
  switch (screen) {
    case ScreenVga:
      return {{game::kPayloadVgaExe, nullptr}, {game::kPayloadVgaData, game::kVgaData}};
    case ScreenQvga:
      return {{game::kPayloadQvgaExe, nullptr}, {game::kPayloadQvgaData, game::kQvgaData}};
    default:
      return {{game::kPayloadGenericExe, nullptr},
              {game::kPayloadVgaData, game::kVgaData},
              {game::kPayloadQvgaData, game::kQvgaData}};
  }
}

}  // namespace

bool CDeviceLink::ReadText(HKEY key, const WCHAR* name, std::wstring* text) {
  WCHAR buffer[256] = {};
  DWORD type = REG_SZ;
  DWORD size = sizeof(buffer);
  if (session->CeRegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  // Bounded: a value that fills the buffer without a terminator is still read safely.
  text->assign(buffer, ::wcsnlen(buffer, sizeof(buffer) / sizeof(WCHAR)));
  return true;
}

bool CDeviceLink::TryShortcut(const std::wstring& path, const std::wstring& target) {
  std::wstring shortcut = path;
  std::wstring quotedTarget = target;
  return session->CeSHCreateShortcut(shortcut.data(), quotedTarget.data()) != 0;
}

bool CDeviceLink::TryShortcutLadder(const std::wstring& base, const std::wstring& target) {
  const std::wstring ru = base + kGamesFolderRu;
  const std::wstring en = base + kGamesFolderEn;
  session->CeCreateDirectory(ru.c_str(), nullptr);
  if (TryShortcut(ru + kShortcutRu, target)) return true;
  if (TryShortcut(ru + kShortcutEn, target)) return true;
  session->CeCreateDirectory(en.c_str(), nullptr);
  if (TryShortcut(en + kShortcutRu, target)) return true;
  session->CeCreateDirectory(en.c_str(), nullptr);
  if (TryShortcut(en + kShortcutEn, target)) return true;
  if (TryShortcut(base + kShortcutRu, target)) return true;
  return TryShortcut(base + kShortcutEn, target);
}

bool CDeviceLink::InstallGame() {
  if (!connected) return false;
  // Clears an earlier installation, its marker among it, so the wait below sees only
  // the marker of the game started now.
  RemoveGame();
  const std::vector<std::wstring> storage = ListStorage();
  session->CeCreateDirectory(game::kProgramFiles, nullptr);
  session->CeCreateDirectory(game::kMakerFolder, nullptr);
  session->CeCreateDirectory(game::kGameFolder, nullptr);

  std::wstring dataFolder;
  if (storageIndex == 0) {
    dataFolder = std::wstring(game::kGameFolder) + L"\\";
  } else {
    if (storageIndex < 0 || static_cast<std::size_t>(storageIndex) >= storage.size()) return false;
    dataFolder = storage[static_cast<std::size_t>(storageIndex)] + game::kDataFolderTail;
    for (std::size_t i = 1; i < dataFolder.size(); ++i) {
      if (dataFolder[i] == L'\\' || dataFolder[i] == L'/') {
        session->CeCreateDirectory(dataFolder.substr(0, i).c_str(), nullptr);
      }
    }
  }

  HKEY key = nullptr;
  DWORD disposition = 0;
  std::wstring keyClass = game::kRegistryClass;
  lastResult = session->CeRegCreateKeyEx(HKEY_CURRENT_USER, game::kRegistryKey, 0, keyClass.data(), 0, 0, nullptr,
                                         &key, &disposition);
  if (lastResult == ERROR_SUCCESS && key != nullptr) {
    session->CeRegSetValueEx(key, game::kDataPathValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(dataFolder.c_str()),
                             static_cast<DWORD>((dataFolder.size() + 1) * sizeof(WCHAR)));
    session->CeRegCloseKey(key);
  }

  // A copy that did not arrive whole ends the installation: a game missing a file must
  // not count as installed because it still starts and writes its marker. What was
  // copied before stays on the device.
  if (!CopyFileToDevice(game::kPayloadConfig, game::kGameConfig)) return false;
  for (const PayloadFile& file : PayloadFor(QueryScreenClass())) {
    if (!CopyFileToDevice(file.pcPath, file.deviceName ? dataFolder + file.deviceName : game::kGameExecutable)) {
      return false;
    }
  }

  PROCESS_INFORMATION process{};
  if (!session->CeCreateProcess(game::kGameExecutable, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                                &process)) {
    return false;
  }
  session->CeCloseHandle(process.hThread);
  session->CeCloseHandle(process.hProcess);

  bool ok = true;
  int pauses = 0;
  while (!IsGameInstalled()) {
    Sleep(kMarkerPauseMs);
    if (++pauses >= kMarkerQuestions) {
      ok = false;
      break;
    }
  }

  // The shortcut goes where the game keeps its Start-menu entries, else into the
  // device's Programs folder, else into one of the usual places.
  const std::wstring target = std::wstring(L"\"") + game::kGameExecutable + L"\"";
  bool made = false;
  if (ok) {
    lastResult = session->CeRegOpenKeyEx(HKEY_CURRENT_USER, game::kRegistryKey, 0, 0, &key);
    if (lastResult == ERROR_SUCCESS && key != nullptr) {
      std::wstring shortcutFolder;
      const bool haveFolder = ReadText(key, game::kShortcutFolderValue, &shortcutFolder);
      session->CeRegCloseKey(key);
      if (haveFolder) made = TryShortcutLadder(shortcutFolder, target);
    }
  }
  if (!made) {
    WCHAR programs[512] = {};
    if (session->CeGetSpecialFolderPath(CSIDL_PROGRAMS, 512, programs) != 0) {
      made = TryShortcutLadder(std::wstring(programs, ::wcsnlen(programs, 512)), target);
    }
  }
  if (!made) {
    for (const WCHAR* folder : kFallbackFolders) session->CeCreateDirectory(folder, nullptr);
    for (const WCHAR* shortcut : kFallbackShortcuts) {
      if (TryShortcut(shortcut, target)) break;
    }
  }
  return ok;
}

bool CDeviceLink::RemoveGame() {
  if (!connected) return false;
  session->CeDeleteFile(game::kGameConfig);
  HKEY key = nullptr;
  lastResult = session->CeRegOpenKeyEx(HKEY_CURRENT_USER, game::kRegistryKey, 0, 0, &key);
  if (lastResult == ERROR_SUCCESS && key != nullptr) {
    std::wstring dataFolder;
    if (ReadText(key, game::kDataPathValue, &dataFolder)) {
      session->CeDeleteFile((dataFolder + game::kVgaData).c_str());
      session->CeDeleteFile((dataFolder + game::kQvgaData).c_str());
    }
    session->CeDeleteFile(game::kGameExecutable);
    session->CeRemoveDirectory(game::kGameFolder);
    std::wstring shortcutFolder;
    if (ReadText(key, game::kShortcutFolderValue, &shortcutFolder)) {
      for (const std::wstring& tail : {std::wstring(kShortcutRu), std::wstring(kShortcutEn),
                                      kGamesFolderRu + std::wstring(kShortcutRu),
                                      kGamesFolderRu + std::wstring(kShortcutEn),
                                      kGamesFolderEn + std::wstring(kShortcutRu),
                                      kGamesFolderEn + std::wstring(kShortcutEn)}) {
        session->CeDeleteFile((shortcutFolder + tail).c_str());
      }
    }
    session->CeRegCloseKey(key);
  }
  // The key goes last: once the device has answered its deletion (gone, or not there)
  // the game no longer counts as installed. Any other answer means the removal did not
  // reach the device, e.g. the link went down after the scene connected.
  const LONG deleted = session->CeRegDeleteKey(HKEY_CURRENT_USER, game::kRegistryKey);
  return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}
