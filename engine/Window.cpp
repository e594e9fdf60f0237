#include "engine/Window.h"

#include <cstring>

#include "platform/win32/cursor.h"
#include "platform/win32/messages.h"
#include "platform/win32/system_metrics.h"
#include "platform/win32/window.h"

DisplayMode g_ModeA = {1024, 768};
DisplayMode g_ModeB = {1280, 800};
bool g_FullscreenRequested = true;
bool g_Fullscreen = true;
bool g_WideMode = false;
std::int32_t g_ClientWidth = 1024;
std::int32_t g_ClientHeight = 768;
std::int32_t g_OuterWidth = 0;
std::int32_t g_OuterHeight = 0;
bool g_WindowActive = true;
bool g_DeviceLost = false;
HINSTANCE g_Instance = nullptr;
HWND g_Window = nullptr;
std::uint16_t g_PendingChar = 0;
IDirect3DDevice9* g_Device = nullptr;
ID3DXSprite* g_Sprite = nullptr;
IDirectInputDevice8* g_Keyboard = nullptr;
IDirectInputDevice8* g_Mouse = nullptr;
std::uint8_t g_KeysPrevious[256] = {};
std::uint8_t g_KeysCurrent[256] = {};
DIMOUSESTATE g_MousePrevious = {};
DIMOUSESTATE g_MouseCurrent = {};
POINT g_CursorPrevious = {0, 0};
POINT g_CursorCurrent = {0, 0};

namespace {

constexpr wchar_t kClassName[] = L"Tamblor2D";

// The window CreateMainWindow gives up before its retry: its WM_DESTROY must not end
// the program.
HWND g_DiscardedWindow = nullptr;

// Whether the last PumpMessages took a message: only an iteration that found none waits.
bool g_MessageTaken = false;

struct Frame {
  int fx, fy, caption;
};

bool IsGiven(const DisplayMode& mode) { return mode.width != 0 && mode.height != 0; }

bool Fits(const DisplayMode& mode, const Frame& frame, int screenWidth, int screenHeight) {
  return mode.width + 2 * frame.fx <= screenWidth && mode.height + frame.caption + 2 * frame.fy <= screenHeight;
}

const DisplayMode& ModeInUse() { return g_WideMode ? g_ModeB : g_ModeA; }

void SetSizes(const DisplayMode& mode, const Frame& frame) {
  g_ClientWidth = mode.width;
  g_ClientHeight = mode.height;
  if (g_Fullscreen) {
    g_OuterWidth = mode.width;
    g_OuterHeight = mode.height;
  } else {
    g_OuterWidth = mode.width + 2 * frame.fx;
    g_OuterHeight = mode.height + frame.caption + 2 * frame.fy;
  }
}

void MakeWindow(const std::wstring& title) {
  DWORD style = g_Fullscreen ? WS_POPUP : (WS_SYSMENU | WS_MINIMIZEBOX);
  g_Window = CreateWindowExW(0, kClassName, title.c_str(), style, 0, 0, g_OuterWidth, g_OuterHeight, nullptr,
                             nullptr, g_Instance, nullptr);
}

void DestroyMainWindow(bool discarded) {
  g_DiscardedWindow = discarded ? g_Window : nullptr;
  DestroyWindow(g_Window);
  g_DiscardedWindow = nullptr;
  g_Window = nullptr;
}

WindowResult FinishStart() {
  ShowWindow(g_Window, SW_SHOWDEFAULT);
  UpdateWindow(g_Window);
  InitDirectInput();
  return WindowOk;
}

D3DPRESENT_PARAMETERS PresentParameters(std::int32_t width, std::int32_t height) {
  D3DPRESENT_PARAMETERS parameters;
  std::memset(&parameters, 0, sizeof(parameters));
  parameters.BackBufferWidth = static_cast<UINT>(width);
  parameters.BackBufferHeight = static_cast<UINT>(height);
  parameters.BackBufferFormat = g_Fullscreen ? D3DFMT_X8R8G8B8 : D3DFMT_UNKNOWN;
  parameters.BackBufferCount = 1;
  parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
  parameters.SwapEffect = D3DSWAPEFFECT_FLIP;
  parameters.hDeviceWindow = g_Window;
  parameters.Windowed = g_Fullscreen ? FALSE : TRUE;
  parameters.EnableAutoDepthStencil = FALSE;
  parameters.FullScreen_RefreshRateInHz = g_Fullscreen ? 60 : 0;
  parameters.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
  return parameters;
}

IDirectInputDevice8* CreateInputDevice(IDirectInput8* input, REFGUID device, LPCDIDATAFORMAT format) {
  IDirectInputDevice8* made = nullptr;
  if (FAILED(input->CreateDevice(device, &made, nullptr)) || made == nullptr) return nullptr;
  made->SetDataFormat(format);
  made->SetCooperativeLevel(g_Window, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE);
  return made;
}

}  // namespace

WindowResult CreateMainWindow(const std::wstring& title, std::int32_t widthA, std::int32_t heightA,
                              std::int32_t widthB, std::int32_t heightB, bool fullscreen, HINSTANCE instance,
                              HICON smallIcon, HICON largeIcon) {
  g_ModeA = DisplayMode{widthA, heightA};
  g_ModeB = DisplayMode{widthB, heightB};
  g_FullscreenRequested = fullscreen;
  g_Instance = instance;

  Frame frame{GetSystemMetrics(SM_CXFIXEDFRAME), GetSystemMetrics(SM_CYFIXEDFRAME), GetSystemMetrics(SM_CYCAPTION)};
  int cleanBoot = GetSystemMetrics(SM_CLEANBOOT);
  int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  bool wideScreen = screenHeight > 0 && static_cast<double>(screenWidth) / screenHeight > 1.5;
  if (cleanBoot != 0) return WindowSafeMode;

  bool givenA = IsGiven(g_ModeA), givenB = IsGiven(g_ModeB);
  if (!givenA && !givenB) return WindowNoMode;
  if (givenA && givenB) {
    bool fitsA = Fits(g_ModeA, frame, screenWidth, screenHeight);
    bool fitsB = Fits(g_ModeB, frame, screenWidth, screenHeight);
    if (!fullscreen && fitsB && !fitsA) {
      g_WideMode = true;
      g_Fullscreen = false;
    } else if (!fullscreen && fitsA && !fitsB) {
      g_WideMode = false;
      g_Fullscreen = false;
    } else {
      // Full screen asked, both fit or neither fits: the screen's shape decides.
      g_WideMode = wideScreen;
      g_Fullscreen = fullscreen || !(fitsA && fitsB);
    }
  } else {
    g_WideMode = givenB;
    g_Fullscreen = fullscreen || !Fits(ModeInUse(), frame, screenWidth, screenHeight);
  }
  SetSizes(ModeInUse(), frame);

  WNDCLASSEXW windowClass;
  std::memset(&windowClass, 0, sizeof(windowClass));
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = g_Instance;
  windowClass.hIcon = largeIcon;
  windowClass.hIconSm = smallIcon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);

  MakeWindow(title);
  if (InitDirect3D()) return FinishStart();

  DestroyMainWindow(true);
  g_WideMode = !g_WideMode;
  if (!IsGiven(ModeInUse())) return WindowNoDirect3D;
  SetSizes(ModeInUse(), frame);
  MakeWindow(title);
  if (InitDirect3D()) return FinishStart();
  DestroyMainWindow(false);
  return WindowNoDirect3D;
}

bool InitDirect3D() {
  IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (direct3d == nullptr) return false;
  const DisplayMode& mode = ModeInUse();
  D3DPRESENT_PARAMETERS parameters = PresentParameters(mode.width, mode.height);
  IDirect3DDevice9* device = nullptr;
  HRESULT result = direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g_Window,
                                          D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device);
  // The device keeps what it needs of the Direct3D object.
  direct3d->Release();
  if (FAILED(result) || device == nullptr) return false;
  g_Device = device;
  g_Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  g_Device->SetRenderState(D3DRS_LIGHTING, FALSE);
  g_Device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  g_Device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
  g_Sprite = nullptr;
  D3DXCreateSprite(g_Device, &g_Sprite);
  return true;
}

void InitDirectInput() {
  IDirectInput8* input = nullptr;
  if (FAILED(DirectInput8Create(g_Instance, 0x0800, IID_IDirectInput8W, reinterpret_cast<LPVOID*>(&input), nullptr)) ||
      input == nullptr) {
    return;
  }
  g_Keyboard = CreateInputDevice(input, GUID_SysKeyboard, &c_dfDIKeyboard);
  g_Mouse = CreateInputDevice(input, GUID_SysMouse, &c_dfDIMouse);
  if (g_Mouse) g_Mouse->Acquire();
  // The devices keep what they need of the DirectInput object.
  input->Release();
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      if (window != g_DiscardedWindow) PostQuitMessage(0);
      return 0;
    case WM_SETFOCUS: g_WindowActive = true; break;
    case WM_KILLFOCUS: g_WindowActive = false; break;
    case WM_CHAR: g_PendingChar = static_cast<std::uint16_t>(wParam & 0xFFFF); break;
    default: break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool PumpMessages() {
  MSG message;
  bool quit = false;
  g_MessageTaken = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
  if (g_MessageTaken) {
    quit = message.message == WM_QUIT;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (g_WindowActive && !g_DeviceLost) {
    if (g_Keyboard) {
      g_Keyboard->Acquire();
      std::memcpy(g_KeysPrevious, g_KeysCurrent, sizeof(g_KeysCurrent));
      g_Keyboard->GetDeviceState(sizeof(g_KeysCurrent), g_KeysCurrent);
    }
    if (g_Mouse) {
      g_Mouse->Acquire();
      g_MousePrevious = g_MouseCurrent;
      g_Mouse->GetDeviceState(sizeof(DIMOUSESTATE), &g_MouseCurrent);
    }
    g_CursorPrevious = g_CursorCurrent;
    // Read into a copy: a failed read must leave the current position as it was, not
    // convert it to client coordinates a second time.
    POINT cursor;
    if (GetCursorPos(&cursor) && ScreenToClient(g_Window, &cursor)) g_CursorCurrent = cursor;
  }
  return quit;
}

void WaitForMessage(std::uint32_t timeoutMs) {
  if (g_MessageTaken) return;
  MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

bool IsWindowActive() { return g_WindowActive; }

bool IsDeviceLost() { return g_DeviceLost; }

bool BeginFrame() {
  if (g_DeviceLost) return false;
  g_Device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, 0, 0, 0), 1.0f, 0);
  if (FAILED(g_Device->BeginScene())) return false;
  if (g_Sprite) g_Sprite->Begin(D3DXSPRITE_ALPHABLEND);
  return true;
}

bool EndFrame(bool drawn) {
  if (g_DeviceLost) return true;
  if (drawn) {
    if (g_Sprite) g_Sprite->End();
    g_Device->EndScene();
  }
  if (g_Device->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST) {
    g_DeviceLost = true;
    if (g_Sprite) g_Sprite->Release();
    g_Sprite = nullptr;
    return false;
  }
  return true;
}

bool RestoreDevice() {
  if (!g_DeviceLost) return false;
  HRESULT level = g_Device->TestCooperativeLevel();
  if (level == D3D_OK) {
    g_Sprite = nullptr;
    D3DXCreateSprite(g_Device, &g_Sprite);
    g_DeviceLost = false;
    return true;
  }
  if (level == D3DERR_DEVICENOTRESET) {
    D3DPRESENT_PARAMETERS parameters = PresentParameters(g_ClientWidth, g_ClientHeight);
    g_Device->Reset(&parameters);
  }
  return false;
}

ID3DXSprite* GetSprite() { return g_Sprite; }

void GetMouseState(DIMOUSESTATE* state) {
  if (state) *state = g_MouseCurrent;
}

std::uint16_t TakeTypedChar() {
  std::uint16_t typed = g_PendingChar;
  g_PendingChar = 0;
  return typed;
}
