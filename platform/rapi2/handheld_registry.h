// The emulated handheld's registry (HKEY_CURRENT_USER): keys holding typed values,
// kept in registry.json and written whole, through a temporary file and a rename,
// after every change.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>

#include <nlohmann/json.hpp>

#include "platform/rapi2/staging.h"
#include "platform/win32/types.h"

namespace emu {

constexpr char kRegistryFile[] = "registry.json";

struct RegValue {
  std::wstring name;
  DWORD type = 0;                     // REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY
  std::vector<std::wstring> strings;  // one text for REG_SZ / REG_EXPAND_SZ, any for REG_MULTI_SZ
  DWORD number = 0;                   // REG_DWORD
  std::vector<BYTE> bytes;            // REG_BINARY
};

// {"type": "REG_SZ", "value": ...} and back. A string, an array of strings, a number
// of 32 bits or a hex string, by type; anything else is refused with the reason.
bool RegValueFromJson(const nlohmann::json& json, const std::string& where, RegValue* out, std::string* error);
nlohmann::ordered_json RegValueToJson(const RegValue& value);
const char* RegTypeName(DWORD type);

// A key path is "\"-separated names: none empty, no control characters, each at most
// 255 units. Returns the names, or nothing for a path the registry cannot hold.
bool SplitKeyPath(std::wstring_view path, std::vector<std::wstring>* names);

class RegistryStore {
 public:
  struct Key {
    std::wstring path;  // as first created
    std::vector<RegValue> values;
  };

  // A missing file is an empty registry; one that is not a plain file or is larger
  // than kMaxHandheldFileBytes is refused, as is one that does not parse. The file is
  // a path, or a name in the folder held open as `folder`.
  bool Load(const std::string& file, std::string* error) { return Load(AT_FDCWD, file, error); }
  bool Load(int folder, const std::string& file, std::string* error);
  // Writes registry.json in the handheld folder `home`: into a temporary file of the
  // staging's (so that only the layer's own file is ever written, and one left by a
  // killed run is cleared away), flushed to disk and renamed over the registry. A
  // registry larger than Load reads is not written.
  bool Save(const HostFolder& home, Staging& staging) const;
  bool FromJson(const nlohmann::json& json, std::string* error);
  nlohmann::ordered_json ToJson() const;

  // A key exists when it was created or when a created key lies below it.
  bool KeyExists(std::wstring_view path) const;
  // Creates the key; true when it is new.
  bool CreateKey(std::wstring_view path);
  // Deletes the key with every key below it; false when it did not exist.
  bool DeleteKey(std::wstring_view path);
  const RegValue* FindValue(std::wstring_view keyPath, std::wstring_view name) const;
  // Creates the key when needed and replaces a value of the same name.
  void SetValue(std::wstring_view keyPath, const RegValue& value);

  const std::map<std::wstring, Key>& keys() const { return keys_; }

 private:
  std::map<std::wstring, Key> keys_;  // by folded path
};

}  // namespace emu
