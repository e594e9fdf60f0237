#include "installer/SceneFurniture.h"

#include "installer/ResourcePacks.h"
#include "installer/WebAddress.h"
#include "platform/win32/shell.h"
#include "platform/win32/window.h"

void LoadSceneFont(CTFont& font) {
  font.Init(0);
  font.Load(&g_CommonResourceFile, L"/Font");
}

void ShowPictureAtOrigin(CTTexture& texture, CTCImage& image, const CTResourceFile& pack, const wchar_t* name) {
  texture.LoadFromResource(pack.GetByName(name));
  image.SetTexture(&texture);
  image.SetPosition(0.0f, 0.0f).Show();
}

void OpenMakerWebPage() { ShellExecuteW(nullptr, L"open", kMakerWebAddress, nullptr, nullptr, SW_SHOWNORMAL); }
