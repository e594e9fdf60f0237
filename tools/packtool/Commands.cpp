#include "tools/packtool/Commands.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>

#include "engine/ResourceFile.h"
#include "platform/win32/strings.h"
#include "tools/packtool/CommandLine.h"
#include "tools/packtool/PackWriter.h"

namespace packtool {

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("can't read '" + path.string() + "'");
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("can't read '" + path.string() + "'");
  return bytes;
}

void WriteWholeFile(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  out.close();
  if (!out) throw std::runtime_error("can't write '" + path + "'");
}

class EntryCollector {
 public:
  // "NAME=FILE"; a relative FILE is taken from folder. where names the source in errors.
  void Add(const std::string& pair, const fs::path& folder, const std::string& where) {
    const std::size_t equals = pair.find('=');
    if (equals == std::string::npos || equals + 1 == pair.size()) {
      throw std::invalid_argument(where + "expected NAME=FILE, got '" + pair + "'");
    }
    std::string name;
    try {
      name = EntryNameFromUtf8(pair.substr(0, equals));
    } catch (const std::invalid_argument& error) {
      throw std::invalid_argument(where + error.what());
    }
    if (!names.insert(name).second) {
      throw std::invalid_argument(where + "entry '" + pair.substr(0, equals) + "' given twice");
    }
    fs::path file = pair.substr(equals + 1);
    if (file.is_relative()) file = folder / file;
    entries.push_back({std::move(name), ReadWholeFile(file)});
  }

  void AddList(const std::string& listPath) {
    std::ifstream in(listPath, std::ios::binary);
    if (!in) throw std::runtime_error("can't read list file '" + listPath + "'");
    const fs::path folder = fs::path(listPath).parent_path();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.find_first_not_of(" \t") == std::string::npos) continue;
      Add(line, folder, listPath + ":" + std::to_string(number) + ": ");
    }
  }

  std::vector<packwriter::Entry> entries;

 private:
  std::set<std::string> names;
};

int Build(const CommandLine& line, std::ostream& out) {
  EntryCollector collector;
  for (const Source& source : line.sources) {
    if (source.kind == Source::Kind::ListFile) {
      collector.AddList(source.text);
    } else {
      collector.Add(source.text, fs::path(), "");
    }
  }
  const std::vector<std::uint8_t> pack = packwriter::Build(collector.entries, ResolveSecrets(line));
  WriteWholeFile(line.operands[0], pack.data(), pack.size());
  out << "wrote " << line.operands[0] << ": " << collector.entries.size() << " entries, " << pack.size()
      << " bytes\n";
  return 0;
}

// Loads the pack with the engine's own reader and checks that its header fits the file,
// which it does not when the keys are wrong.
void OpenPack(const std::string& path, const packwriter::Secrets& secrets, CTResourceFile& pack) {
  if (!std::ifstream(path, std::ios::binary)) throw std::runtime_error("can't read '" + path + "'");
  pack.Load(layer::Utf8ToWide(path), secrets.salt, secrets.mask, secrets.passText.c_str());
  const std::uint64_t size = pack.GetFileSize();
  if (size < CTResourceFile::kHeaderSize) throw std::runtime_error("'" + path + "' is too short to be a pack");
  if (static_cast<std::uint64_t>(pack.GetDirOffset()) + pack.GetDirSize() > size ||
      static_cast<std::uint64_t>(pack.GetDataOffset()) + pack.GetDataSize() > size) {
    throw std::runtime_error("'" + path + "' does not open with these keys, or is damaged");
  }
}

int List(const CommandLine& line, std::ostream& out) {
  CTResourceFile pack;
  OpenPack(line.operands[0], ResolveSecrets(line), pack);
  for (const CTResource& entry : pack.GetEntries()) {
    out << entry.GetIndex() << ' ' << entry.GetOffset() << ' ' << entry.GetSize() << ' '
        << layer::WideToUtf8(entry.GetName()) << '\n';
  }
  return 0;
}

int Extract(const CommandLine& line) {
  CTResourceFile pack;
  OpenPack(line.operands[0], ResolveSecrets(line), pack);
  std::wstring name;  // each stored byte is the UTF-16 unit of the same value
  for (unsigned char byte : EntryNameFromUtf8(line.operands[1])) name += static_cast<wchar_t>(byte);
  const CTResource entry = pack.GetByName(name);
  if (entry.GetOwner() == nullptr) throw std::runtime_error("no entry '" + line.operands[1] + "' in the pack");
  if (static_cast<std::uint64_t>(entry.GetOffset()) + entry.GetSize() > pack.GetDataSize()) {
    throw std::runtime_error("entry '" + line.operands[1] + "' lies outside the pack's data area");
  }
  WriteWholeFile(line.operands[2], entry.GetData(), entry.GetSize());
  return 0;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    const CommandLine line = ParseCommandLine(args);
    if (line.command == "build") return Build(line, out);
    if (line.command == "list") return List(line, out);
    return Extract(line);
  } catch (const UsageError& error) {
    err << "packtool: " << error.what() << '\n' << kUsage;
    return 2;
  } catch (const std::exception& error) {
    err << "packtool: " << error.what() << '\n';
    return 1;
  }
}

}  // namespace packtool
