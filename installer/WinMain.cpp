#include "installer/WinMain.h"

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Config.h"
#include "engine/Engine.h"
#include "installer/PackKeys.h"
#include "installer/ResourcePacks.h"
#include "installer/SceneConfirm.h"
#include "installer/SceneInfo.h"
#include "installer/SceneInstall.h"
#include "installer/SceneMenu.h"
#include "installer/ScenePath.h"
#include "installer/SceneSplash.h"
#include "installer/SceneUninstall.h"
#include "platform/win32/files.h"
#include "platform/win32/icons.h"

namespace {

constexpr DWORD kPathBuffer = MAX_PATH;
// The longest path the module name may have; beyond MAX_PATH the buffer grows to it.
constexpr DWORD kLongestPath = 32768;

// The executable's full path, or empty when it cannot be found. A name that fills the
// buffer was cut short, and cutting it at its last separator would give a wrong
// folder, so the buffer grows until the whole name fits.
std::wstring ExecutablePath(HINSTANCE instance) {
  for (DWORD size = kPathBuffer; size <= kLongestPath; size *= 2) {
    std::vector<WCHAR> buffer(size, L'\0');
    const DWORD length = GetModuleFileNameW(instance, buffer.data(), size);
    if (length == 0) return std::wstring();
    if (length < size) return std::wstring(buffer.data(), length);
  }
  return std::wstring();
}

void LoadPack(CTResourceFile& pack, const std::wstring& path, const PackKeys& keys) {
  // The mask is assembled on the stack right before the call, as the pack reader
  // expects it by address.
  const std::uint32_t mask[4] = {keys.mask[0], keys.mask[1], keys.mask[2], keys.mask[3]};
  pack.Load(path, keys.salt, mask, keys.passText);
}

}  // namespace

void SetWorkingDirectoryToExeFolder(HINSTANCE instance) {
  std::wstring path = ExecutablePath(instance);
  const std::size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return;
  path.resize(separator);
  SetCurrentDirectoryW(path.c_str());
}

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  SetWorkingDirectoryToExeFolder(instance);
  if (!ReadConfig(L"Config.xml")) return 1;

  // A missing icon is passed on as a null handle.
  const auto largeIcon =
      reinterpret_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(101), IMAGE_ICON, 32, 32, LR_DEFAULTSIZE));
  const auto smallIcon =
      reinterpret_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(102), IMAGE_ICON, 16, 16, LR_DEFAULTSIZE));
  // The maker and product names only name the log folder.
  if (!InitializeEngine(L"Tamblor Games", L"QuellorMobileInstaller", std::wstring(g_Header), 640, 480, 0, 0, false,
                        instance, smallIcon, largeIcon)) {
    return 1;
  }

  // A pack that cannot be read ends the program inside the reader.
  LoadPack(g_CommonResourceFile, g_CommonPackPath, kCommonPackKeys);
  LoadPack(g_LocalResourceFile, g_LocalPackPath, kLocalPackKeys);

  // The scenes load their fonts from the packs, so they are set up only now.
  CTScene* const scenes[] = {&g_SceneSplash, &g_SceneMenu,      &g_SceneInfo,   &g_SceneInstall,
                             &g_SceneUninstall, &g_ScenePath, &g_SceneConfirm};
  for (CTScene* scene : scenes) RegisterScene(scene);
  for (CTScene* scene : scenes) scene->Initialize();

  RunEngine(SplashScene);
  return 0;
}
