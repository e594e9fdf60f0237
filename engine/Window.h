// The one main window of the process with its Direct3D 9 device, D3DX sprite and
// DirectInput keyboard and mouse, and the per-frame operations of the main loop: take
// one window message and poll input, begin a frame, end and present it, restore a
// lost device. Everything here runs on the UI thread; the state is global because
// there is exactly one window and one device.
#pragma once

#include <cstdint>
#include <string>

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/dinput8/dinput.h"
#include "platform/win32/geometry.h"
#include "platform/win32/window_types.h"

struct DisplayMode {
  std::int32_t width;
  std::int32_t height;
};

enum WindowResult : int {
  WindowOk = 0,
  WindowNoMode = 1,      // no usable display mode among the arguments
  WindowSafeMode = 2,    // Windows runs in safe mode
  WindowNoDirect3D = 3,  // no Direct3D device could be made
};

extern DisplayMode g_ModeA;           // 1024 x 768
extern DisplayMode g_ModeB;           // 1280 x 800, the mode for wide screens
extern bool g_FullscreenRequested;    // what the caller asked for
extern bool g_Fullscreen;             // full screen in effect
extern bool g_WideMode;               // mode B is the mode in use
extern std::int32_t g_ClientWidth;    // drawing area = back buffer = the mode in use
extern std::int32_t g_ClientHeight;
extern std::int32_t g_OuterWidth;     // window size handed to CreateWindowExW
extern std::int32_t g_OuterHeight;
extern bool g_WindowActive;           // the window has the keyboard focus
extern bool g_DeviceLost;             // Present reported the device lost, not restored yet
extern HINSTANCE g_Instance;
extern HWND g_Window;
extern std::uint16_t g_PendingChar;   // last typed character not yet taken; 0 for none
extern IDirect3DDevice9* g_Device;
extern ID3DXSprite* g_Sprite;
extern IDirectInputDevice8* g_Keyboard;
extern IDirectInputDevice8* g_Mouse;
// Input snapshots of the previous and of the latest poll; the main loop turns their
// differences into events.
extern std::uint8_t g_KeysPrevious[256];
extern std::uint8_t g_KeysCurrent[256];
extern DIMOUSESTATE g_MousePrevious;
extern DIMOUSESTATE g_MouseCurrent;
extern POINT g_CursorPrevious;        // client coordinates; may lie outside the window
extern POINT g_CursorCurrent;

// Chooses the display mode and window or full screen, makes the window, the device,
// the sprite and the input devices. Retries once with the other mode when Direct3D
// refuses the first.
WindowResult CreateMainWindow(const std::wstring& title, std::int32_t widthA, std::int32_t heightA,
                              std::int32_t widthB, std::int32_t heightB, bool fullscreen, HINSTANCE instance,
                              HICON smallIcon, HICON largeIcon);
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool InitDirect3D();
void InitDirectInput();

// Takes at most one window message and dispatches it; while the window is active and
// the device usable, moves the current input snapshots to the previous ones and polls
// new ones. True when the message taken was WM_QUIT.
bool PumpMessages();
// When the last PumpMessages found no message, waits until one is queued or timeoutMs
// pass; otherwise returns at once.
void WaitForMessage(std::uint32_t timeoutMs);
bool IsWindowActive();
bool IsDeviceLost();
// Clears the frame and begins the scene and the sprite; false when nothing may be drawn.
bool BeginFrame();
// Ends what BeginFrame began (when drawn) and presents; false only when this Present
// lost the device.
bool EndFrame(bool drawn);
// Offered every iteration while the device is lost; true once it is usable again.
bool RestoreDevice();
ID3DXSprite* GetSprite();
void GetMouseState(DIMOUSESTATE* state);
// The last typed character not yet taken (0 for none); taking it clears it.
std::uint16_t TakeTypedChar();
