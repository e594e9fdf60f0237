// Where the game lives on the handheld and what the PC payload holds.
#pragma once

#include "platform/win32/types.h"

namespace game {

inline constexpr const WCHAR* kRegistryKey = L"Software\\TamblorGames\\Quellor";
inline constexpr const WCHAR* kRegistryClass = L"Quellor";
inline constexpr const WCHAR* kDataPathValue = L"RP";
inline constexpr const WCHAR* kShortcutFolderValue = L"SP";
inline constexpr const WCHAR* kInstalledValue = L"KX";

inline constexpr const WCHAR* kProgramFiles = L"\\Program Files";
inline constexpr const WCHAR* kMakerFolder = L"\\Program Files\\Tamblor Games";
inline constexpr const WCHAR* kGameFolder = L"\\Program Files\\Tamblor Games\\Quellor";
// The data folder below a location's root; main memory's is the game folder itself.
inline constexpr const WCHAR* kDataFolderTail = L"\\Program Files\\Tamblor Games\\Quellor\\";
inline constexpr const WCHAR* kGameExecutable = L"\\Program Files\\Tamblor Games\\Quellor\\QuellorMobile.exe";
inline constexpr const WCHAR* kGameConfig = L"\\Program Files\\Tamblor Games\\Quellor\\Config.xml";

inline constexpr const WCHAR* kVgaData = L"QMRes_VGA.dat";
inline constexpr const WCHAR* kQvgaData = L"QMRes_QVGA.dat";

inline constexpr const WCHAR* kPayloadConfig = L"Inst\\Config.xml";
inline constexpr const WCHAR* kPayloadVgaExe = L"Inst\\QuellorMobileVGA.exe";
inline constexpr const WCHAR* kPayloadQvgaExe = L"Inst\\QuellorMobileQVGA.exe";
inline constexpr const WCHAR* kPayloadGenericExe = L"Inst\\QuellorMobile.exe";
inline constexpr const WCHAR* kPayloadVgaData = L"Inst\\QMRes_VGA.dat";
inline constexpr const WCHAR* kPayloadQvgaData = L"Inst\\QMRes_QVGA.dat";

}  // namespace game
