// Bitmap fonts over a fuzzed pack: every "/Font" entry defines the code its name gives
// by the naming rule (worked out here on its own), pointing at the entry's bytes; and
// with a device, the glyphs measure and draw at their pictures' widths.
//
// Packs that would end the program by its own rules are not loaded: two entries for
// one code ("Symbol redefinition") or an entry outside the data area ("Incorrect
// resource pointer"). Glyphs whose picture cannot be read or made ("Can't find symbol
// metrics", "Can't load symbol") are left out of the measured text.
#include <cstdlib>
#include <set>

#include "engine/Font.h"
#include "engine/Window.h"
#include "fuzz/probes/ProbeKit.h"
#include "fuzz/probes/Probes.h"
#include "installer/PackKeys.h"
#include "platform/d3dx9/image_decode.h"

namespace fuzzprobe {

namespace {

// Glyphs measured per input, and the largest picture made into one: real glyphs are
// a few dozen pixels, and the device copies every pixel.
constexpr std::size_t kMeasuredGlyphs = 16;
constexpr std::uint32_t kMaxGlyphSide = 256;

// The naming rule: the name's last four characters as hexadecimal digits, most
// significant first; any other character, or one missing from a short name, is 0.
std::uint16_t CodeOf(const std::wstring& name) {
  std::uint32_t code = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    std::uint32_t digit = 0;
    if (name.size() + i >= 4) {
      const wchar_t c = name[name.size() - 4 + i];
      if (c >= L'0' && c <= L'9') digit = static_cast<std::uint32_t>(c - L'0');
      if (c >= L'A' && c <= L'F') digit = static_cast<std::uint32_t>(c - L'A' + 10);
      if (c >= L'a' && c <= L'f') digit = static_cast<std::uint32_t>(c - L'a' + 10);
    }
    code = code * 16 + digit;
  }
  return static_cast<std::uint16_t>(code);
}

// The engine's device on SDL's offscreen driver, made once; null when none can be made.
IDirect3DDevice9* Device() {
  static IDirect3DDevice9* device = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    const bool made =
        CreateMainWindow(L"font probe", 640, 480, 0, 0, false, nullptr, nullptr, nullptr) == WindowOk;
    return made ? g_Device : nullptr;
  }();
  return device;
}

// True when the glyph's picture can be made into a texture of a small size.
bool GlyphUsable(const SymbolEntry& symbol, std::uint32_t& width) {
  D3DXIMAGE_INFO info{};
  if (!layer::ReadImageInfo(symbol.imageData, symbol.imageSize, info)) return false;
  if (info.Width > kMaxGlyphSide || info.Height > kMaxGlyphSide) return false;
  layer::DecodedImage image;
  if (!layer::DecodeImage(symbol.imageData, symbol.imageSize, image)) return false;
  width = info.Width;
  return true;
}

void MeasureAndDraw(CTFont& font, const std::vector<std::uint16_t>& codes, Problems& problems) {
  std::wstring text;
  std::int64_t pixels = 0;
  for (std::uint16_t code : codes) {
    if (text.size() == kMeasuredGlyphs) break;
    std::uint32_t width = 0;
    if (!GlyphUsable(*font.GetSymbol(code), width)) continue;
    text += static_cast<wchar_t>(code);
    pixels += static_cast<std::int64_t>(width) + font.GetSpacing();
  }
  if (text.empty()) return;
  const float measured = font.MeasureText(text, 1.0f);
  problems.Check(measured == static_cast<float>(pixels), "MeasureText differs from the glyph widths");
  for (wchar_t unit : text) {
    const SymbolEntry* symbol = font.GetSymbol(static_cast<std::uint16_t>(unit));
    problems.Check(symbol->loaded && symbol->glyph != nullptr, "a measured glyph was not made");
  }
  ID3DXSprite* sprite = GetSprite();
  if (sprite != nullptr && SUCCEEDED(sprite->Begin(0))) {
    font.DrawText(text, 0.5f, 10.0f, 20.0f, 200, RGB{10, 20, 30});
    sprite->End();
  }
  font.ReleaseGlyphs();
  problems.Check(font.MeasureText(text, 2.0f) == static_cast<float>(pixels) * 2.0f,
                 "glyphs made again measure differently");
}

}  // namespace

std::string ProbeFont(Input input) {
  Problems problems;
  std::unique_ptr<CTResourceFile> pack = LoadPack(SealWithCommonKeys(input), kCommonPackKeys.salt,
                                                  kCommonPackKeys.mask);
  if (!pack) return "scratch file could not be written";

  const std::vector<CTResource> glyphs = pack->GetByPrefix(L"/Font");
  std::set<std::uint16_t> seen;
  std::vector<std::uint16_t> codes;
  for (const CTResource& glyph : glyphs) {
    const std::uint16_t code = CodeOf(glyph.GetName());
    problems.Check(CTFont::SymbolCodeFromName(glyph.GetName()) == code,
                   [&] { return "naming rule differs for " + Narrow(glyph.GetName()); });
    if (!seen.insert(code).second || !EntryServable(*pack, glyph)) return problems.Take();
    codes.push_back(code);
  }

  // Bytes 0-3 of a pack are never read: the first one is the letter spacing here.
  const std::int32_t spacing = input.empty() ? 0 : static_cast<std::int8_t>(input[0]);
  CTFont font;
  font.Init(spacing);
  font.Load(pack.get(), L"/Font");
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    const SymbolEntry* symbol = font.GetSymbol(codes[i]);
    problems.Check(symbol != nullptr && symbol->defined && !symbol->loaded &&
                       symbol->imageData == glyphs[i].GetData() && symbol->imageSize == glyphs[i].GetSize(),
                   [&] { return "symbol does not point at its entry: " + Narrow(glyphs[i].GetName()); });
  }
  if (!problems.Any() && Device() != nullptr) MeasureAndDraw(font, codes, problems);
  font.Free();
  problems.Check(font.GetSymbol(0) == nullptr && font.MeasureText(L"A", 1.0f) == 0.0f,
                 "a freed font still measures");
  return problems.Take();
}

}  // namespace fuzzprobe
