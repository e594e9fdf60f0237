// Writes the seed corpora of the fuzz targets, one folder per target under the output
// folder: tiny hand-made pictures of every format and small packs, and what the sample
// distribution holds (its packs, Config.xml, the glyph and picture PNGs), in the form
// each target takes.
//
//   fuzz_seed_writer OUTPUT DIST ART
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/ResourceFile.h"
#include "fuzz/probes/Probes.h"
#include "fuzz/seeds/TinyPictures.h"
#include "installer/PackKeys.h"
#include "tools/packtool/PackWriter.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

fs::path g_output;

void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
  if (bytes.empty()) return;
  const fs::path folder = g_output / target;
  fs::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Utf16(const std::wstring& text) {
  Bytes bytes;
  for (wchar_t unit : text) bytes.insert(bytes.end(), {std::uint8_t(unit & 0xFF), std::uint8_t(unit >> 8 & 0xFF)});
  return bytes;
}

// Every picture goes to both picture targets.
void PutPicture(const std::string& name, const Bytes& file) {
  Put("picture", name, file);
  Put("picture_format", name, fuzzprobe::PictureFormatInput(file));
}

packwriter::Secrets CommonSecrets() {
  packwriter::Secrets secrets;
  secrets.salt = kCommonPackKeys.salt;
  for (int k = 0; k < 4; ++k) secrets.mask[k] = kCommonPackKeys.mask[k];
  secrets.passText = kCommonPackKeys.passText;
  return secrets;
}

// A pack's entries and their bytes as the program reads them.
std::vector<packwriter::Entry> EntriesOf(const fs::path& pak, const PackKeys& keys, const std::wstring& prefix) {
  CTResourceFile pack;
  pack.Load(pak.wstring(), keys.salt, keys.mask, keys.passText);
  std::vector<packwriter::Entry> entries;
  for (const CTResource& resource : pack.GetByPrefix(prefix)) {
    const std::uint8_t* data = resource.GetData();
    std::string name(resource.GetName().begin(), resource.GetName().end());
    entries.push_back({name, Bytes(data, data + resource.GetSize())});
  }
  return entries;
}

// A plain pack (as deciphered) with a fixed key.
Bytes Plain(const std::vector<packwriter::Entry>& entries) {
  const std::uint32_t key[4] = {0x01234567u, 0x89ABCDEFu, 0xFEDCBA98u, 0x76543210u};
  return packwriter::LayOut(entries, key);
}

void WritePacks(const fs::path& dist, const std::vector<std::pair<std::string, Bytes>>& pictures) {
  const std::vector<packwriter::Entry> tiny = {
      {"/Back", pictures[0].second}, {"/Font0041", pictures[5].second}, {"/Font00e9", pictures[8].second},
      {"/FontG042", pictures[10].second}, {"/Info", {}},
  };
  Put("pack", "tiny.pak", packwriter::Build(tiny, CommonSecrets()));
  Put("pack", "empty.pak", packwriter::Build({}, CommonSecrets()));
  Put("pack_image", "tiny.plain", Plain(tiny));
  Put("pack_image", "empty.plain", Plain({}));
  Put("font", "tiny.plain", Plain(tiny));

  for (const auto& [name, keys] :
       {std::pair{"Common.pak", kCommonPackKeys}, std::pair{"Local.pak", kLocalPackKeys}}) {
    const fs::path pak = dist / name;
    if (!fs::exists(pak)) continue;
    Put("pack", name, ReadFile(pak));
    Put("pack_image", std::string(name) + ".plain", Plain(EntriesOf(pak, keys, L"")));
  }
  // The sample font, in slices small enough to mutate quickly.
  if (fs::exists(dist / "Common.pak")) {
    std::vector<packwriter::Entry> glyphs = EntriesOf(dist / "Common.pak", kCommonPackKeys, L"/Font");
    for (std::size_t first = 0; first < glyphs.size(); first += 16) {
      const std::size_t last = std::min(glyphs.size(), first + 16);
      Put("font", "sample-glyphs-" + std::to_string(first) + ".plain",
          Plain({glyphs.begin() + static_cast<std::ptrdiff_t>(first),
                 glyphs.begin() + static_cast<std::ptrdiff_t>(last)}));
    }
  }
}

void WriteConfigs(const fs::path& dist) {
  if (fs::exists(dist / "Config.xml")) Put("config", "Config.xml", ReadFile(dist / "Config.xml"));
  Put("config", "tiny.xml",
      Text("<?xml version=\"1.0\"?>\n<!DOCTYPE Config [<!ENTITY who \"Tamblor\">]>\n<Config>\n"
           "<Header>  &who; <![CDATA[<Installer>]]></Header>\n"
           "<Resource common=\"Common.pak\" local=\"Local.pak\"/>\n"
           "<Splash><P resource=\"internal\" id=\"/Tamblor\" when=\"start\"/>"
           "<P resource=\"external\" id=\"Splash.png\" when=\"end\"/><P id=\"x\"/></Splash>\n"
           "<Translate><T id=\"Menu\" idx=\" -3\">a<b>b</b></T><T id=\"Menu\" idx=\"12x\">c</T>"
           "<T id=\"Menu\" idx=\"2147483647\">d</T></Translate>\n</Config>\n"));
}

void WriteDevicePaths() {
  const std::vector<std::pair<std::string, std::wstring>> paths = {
      {"game", std::wstring(L"\\Program Files\\Tamblor Games\\Quellor\\QuellorMobile.exe") + L'\0' +
                   L"\\Windows\\Start Menu\\Programs\\Quellor.lnk"},
      {"card", L"\\Storage Card\\QMRes_VGA.dat"},
      {"existing", L"\\existing.TXT"},
      {"links", std::wstring(L"\\escape\\keep.txt") + L'\0' + L"\\Storage Card\\up\\outside.txt"},
      {"link-file", L"\\escape.txt"},
      {"dot-dot", std::wstring(L"\\..\\outside.txt") + L'\0' + L"\\Program Files\\.\\..\\..\\x"},
      {"slashes", L"\\Program Files/../../outside.txt"},
      {"pattern", L"\\Windows\\*.*"},
      {"drive", L"C:\\outside.txt"},
  };
  for (const auto& [name, path] : paths) Put("device_path", name, Utf16(path));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s OUTPUT DIST ART\n", argv[0]);
    return 2;
  }
  g_output = argv[1];
  const fs::path dist = argv[2], art = argv[3];
  const auto pictures = seeds::TinyPictures();
  for (const auto& [name, bytes] : pictures) PutPicture(name, bytes);
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(art, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error)) {
    if (it->path().extension() == ".png") PutPicture("art-" + it->path().filename().string(), ReadFile(it->path()));
  }
  if (fs::exists(dist / "Splash.png")) PutPicture("Splash.png", ReadFile(dist / "Splash.png"));
  WritePacks(dist, pictures);
  WriteConfigs(dist);
  WriteDevicePaths();
  return 0;
}
