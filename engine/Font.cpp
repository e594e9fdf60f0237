#include "engine/Font.h"

#include <algorithm>

#include "engine/Log.h"
#include "engine/ResourceFile.h"
#include "engine/Window.h"

namespace {

std::uint16_t HexDigitValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return static_cast<std::uint16_t>(c - L'0');
  if (c >= L'A' && c <= L'F') return static_cast<std::uint16_t>(c - L'A' + 10);
  if (c >= L'a' && c <= L'f') return static_cast<std::uint16_t>(c - L'a' + 10);
  return 0;
}

// The pen moves by the glyph's advance plus the spacing, an integer count of glyph
// pixels, scaled. Summed in 64 bits so that no spacing can overflow.
float PenStep(const SymbolEntry& entry, std::int32_t spacing, float scale) {
  const std::int64_t pixels = static_cast<std::int64_t>(entry.advance) + spacing;
  return static_cast<float>(pixels) * scale;
}

void SetPen(ID3DXSprite* sprite, float scale, float penX, float y) {
  if (sprite == nullptr) return;
  const D3DXVECTOR2 scaling{scale, scale};
  const D3DXVECTOR2 translation{penX, y};
  D3DXMATRIX transform;
  D3DXMatrixTransformation2D(&transform, nullptr, 0.0f, &scaling, nullptr, 0.0f, &translation);
  sprite->SetTransform(&transform);
}

}  // namespace

FontTableAllocator g_FontTableAllocator = [](std::size_t count, std::size_t size) { return std::calloc(count, size); };

CTFont::~CTFont() {
  ReleaseLoadedGlyphs();
  std::erase(g_Fonts, this);
}

void CTFont::Init(std::int32_t newSpacing) {
  // Glyphs of an earlier Init without Free would otherwise be lost with the table, and
  // a default-pool texture left alive keeps the device from ever being reset.
  ReleaseLoadedGlyphs();
  symbols.reset();
  symbols.reset(static_cast<SymbolEntry*>(g_FontTableAllocator(kSymbolCount, sizeof(SymbolEntry))));
  if (!symbols) FailWithError(L"Can't allocate symbol table");
  spacing = newSpacing;
  g_Fonts.push_back(this);
  initialized = true;
}

std::uint16_t CTFont::SymbolCodeFromName(const std::wstring& name) {
  std::uint16_t code = 0;
  const std::size_t length = name.size();
  for (std::size_t i = 0; i < 4; ++i) {
    code = static_cast<std::uint16_t>(code << 4);
    if (length + i >= 4) code = static_cast<std::uint16_t>(code | HexDigitValue(name[length - 4 + i]));
  }
  return code;
}

void CTFont::Load(CTResourceFile* pack, const std::wstring& prefix) {
  if (pack == nullptr) return;
  for (const CTResource& resource : pack->GetByPrefix(prefix)) {
    const std::uint16_t code = SymbolCodeFromName(resource.GetName());
    // Checked against the pack's data area even when nothing is recorded.
    const std::uint8_t* data = resource.GetData();
    if (!initialized) continue;
    SymbolEntry& entry = symbols[code];
    if (entry.defined) FailWithError(L"Symbol redefinition");
    entry.defined = true;
    entry.imageData = data;
    entry.imageSize = resource.GetSize();
    entry.loaded = false;
  }
}

void CTFont::LoadSymbol(std::uint16_t code) {
  if (!initialized) return;
  SymbolEntry& entry = symbols[code];
  // Made already: making it again would lose the texture that exists.
  if (entry.loaded && entry.glyph != nullptr) return;

  D3DXIMAGE_INFO info{};
  if (FAILED(D3DXGetImageInfoFromFileInMemory(entry.imageData, entry.imageSize, &info))) {
    FailWithError(L"Can't find symbol metrics");
  }
  IDirect3DTexture9* glyph = nullptr;
  const HRESULT result = D3DXCreateTextureFromFileInMemoryEx(
      g_Device, entry.imageData, entry.imageSize, info.Width, info.Height, info.MipLevels, 0, info.Format,
      D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &glyph);
  if (FAILED(result) || glyph == nullptr) FailWithError(L"Can't load symbol");

  entry.glyph = glyph;
  entry.advance = static_cast<std::uint16_t>(std::min<UINT>(info.Width, 0xFFFF));
  entry.loaded = true;
  loadedCodes.push_back(code);
}

SymbolEntry* CTFont::FindDefined(wchar_t unit) {
  // wchar_t is 32 bits here; strings hold UTF-16 units, so a larger value has no symbol.
  const auto value = static_cast<std::uint32_t>(unit);
  if (value >= kSymbolCount) return nullptr;
  SymbolEntry& entry = symbols[value];
  return entry.defined ? &entry : nullptr;
}

SymbolEntry* CTFont::GlyphFor(wchar_t unit) {
  SymbolEntry* entry = FindDefined(unit);
  if (entry == nullptr) {
    WriteLog(LogWarning, L"Symbol is not initialized");
    return nullptr;
  }
  if (!entry->loaded) LoadSymbol(static_cast<std::uint16_t>(unit));
  return entry;
}

void CTFont::DrawText(const std::wstring& text, float scale, float x, float y, std::uint8_t alpha, RGB colour) {
  if (!initialized) return;
  ID3DXSprite* sprite = GetSprite();
  float pen = x;
  SetPen(sprite, scale, pen, y);
  const D3DCOLOR argb = (static_cast<D3DCOLOR>(alpha) << 24) | (static_cast<D3DCOLOR>(colour.red) << 16) |
                        (static_cast<D3DCOLOR>(colour.green) << 8) | colour.blue;
  for (const wchar_t unit : text) {
    const SymbolEntry* entry = GlyphFor(unit);
    if (entry == nullptr) continue;
    if (sprite != nullptr) sprite->Draw(entry->glyph, nullptr, nullptr, nullptr, argb);
    pen += PenStep(*entry, spacing, scale);
    SetPen(sprite, scale, pen, y);
  }
}

float CTFont::MeasureText(const std::wstring& text, float scale) {
  if (!initialized) return 0.0f;
  float sum = 0.0f;
  for (const wchar_t unit : text) {
    const SymbolEntry* entry = GlyphFor(unit);
    if (entry != nullptr) sum += PenStep(*entry, spacing, scale);
  }
  return sum;
}

void CTFont::ReleaseLoadedGlyphs() {
  if (symbols) {
    for (const std::uint16_t code : loadedCodes) {
      SymbolEntry& entry = symbols[code];
      if (entry.glyph != nullptr) entry.glyph->Release();
      entry.glyph = nullptr;
      entry.loaded = false;
    }
  }
  loadedCodes.clear();
}

void CTFont::ReleaseGlyphs() {
  if (!initialized) return;
  ReleaseLoadedGlyphs();
}

void CTFont::Free() {
  if (!initialized) return;
  ReleaseLoadedGlyphs();
  // An uninitialised font uses no symbol, and Init starts from an empty table: the
  // table's memory can go back now.
  symbols.reset();
  initialized = false;
}

const SymbolEntry* CTFont::GetSymbol(std::uint16_t code) const { return symbols ? &symbols[code] : nullptr; }

void ReleaseAllFonts() {
  for (CTFont* font : g_Fonts) font->ReleaseGlyphs();
}

void FreeAllFonts() {
  for (CTFont* font : g_Fonts) font->Free();
}
