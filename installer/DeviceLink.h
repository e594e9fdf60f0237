// The application's only road to the handheld: a thin owner of the RAPI2 desktop,
// device and session, with the device facts the scenes show and the operations the
// install and uninstall workers run. It reports by results and flags, never by log
// lines or messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rapi2/rapi2.h"

// The class of the handheld's screen decides the space an installation needs and which
// build of the game is copied.
enum ScreenClass { ScreenVga, ScreenQvga, ScreenOther };

ScreenClass ClassifyScreen(int width, int height);
std::uint64_t SpaceNeeded(ScreenClass screen);

// Room main memory must keep beyond what an installation needs.
constexpr std::uint64_t kMainMemoryReserve = 1048576;

class CDeviceLink {
 public:
  // Initialises COM for the process (multithreaded) and creates the RAPI2 desktop;
  // a failure is only recorded in desktopReady.
  CDeviceLink();
  // Frees the device name only: a worker may still be using the interfaces at exit.
  ~CDeviceLink() = default;
  CDeviceLink(const CDeviceLink&) = delete;
  CDeviceLink& operator=(const CDeviceLink&) = delete;

  // Opens a session on the first device; the outcome is in connected, osVersion5,
  // deviceName and lastResult. Called only while not connected.
  void Connect();
  // The game's installed marker "KX" is present and non-zero.
  bool IsGameInstalled();
  // Entry 0 is main memory (""), then "\<card>" for every storage card.
  std::vector<std::wstring> ListStorage();
  // Enough room for the build that fits the screen at the chosen location.
  bool CheckFreeSpace();
  // Copies a PC file to the device; true when the whole file arrived. A PC file that
  // cannot be read whole leaves the device untouched.
  bool CopyFileToDevice(std::wstring pcPath, std::wstring devicePath);
  std::wstring GetDeviceName();
  void EndSession();
  // Installs the game at storageIndex and waits for its marker; true when it appeared.
  bool InstallGame();
  // Removes an installation; true when the device answered to the end (a missing key
  // included), false when not connected or the device went away part way.
  bool RemoveGame();

  std::int32_t storageIndex;
  std::int32_t lastResult;
  bool desktopReady;
  bool connected;
  bool osVersion5;
  RAPI_DEVICESTATUS deviceStatus;
  IRAPIDesktop* desktop;
  IRAPIDevice* device;
  IRAPISession* session;
  RAPI_DEVICEINFO deviceInfo;
  IRAPIEnumDevices* enumDevices;
  std::wstring deviceName;

 private:
  ScreenClass QueryScreenClass();
  // Reads a REG_SZ value of at most 255 characters from an open key.
  bool ReadText(HKEY key, const WCHAR* name, std::wstring* text);
  bool TryShortcut(const std::wstring& path, const std::wstring& target);
  bool TryShortcutLadder(const std::wstring& base, const std::wstring& target);
};

// The one link of the application (defined with the other application globals).
extern CDeviceLink g_DeviceLink;
