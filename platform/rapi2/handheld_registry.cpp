#include "platform/rapi2/handheld_registry.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/rapi2/bounded_read.h"
#include "platform/rapi2/device_path.h"
#include "platform/rapi2/rapi2_types.h"
#include "platform/win32/strings.h"

namespace emu {

namespace {

using nlohmann::json;

bool ParseHex(const std::string& text, std::vector<BYTE>* out) {
  if (text.size() % 2 != 0) return false;
  out->clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    int value = 0;
    for (size_t k = i; k < i + 2; ++k) {
      char c = text[k];
      int digit = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
      if (digit < 0) return false;
      value = value * 16 + digit;
    }
    out->push_back(static_cast<BYTE>(value));
  }
  return true;
}

std::string ToHex(const std::vector<BYTE>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (BYTE b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::wstring FoldedKey(const std::vector<std::wstring>& names) {
  std::wstring key;
  for (const auto& name : names) {
    if (!key.empty()) key += L'\\';
    key += FoldCase(name);
  }
  return key;
}

bool IsBelow(const std::wstring& key, const std::wstring& folded) {
  return key.size() > folded.size() && key.compare(0, folded.size(), folded) == 0 && key[folded.size()] == L'\\';
}

}  // namespace

const char* RegTypeName(DWORD type) {
  switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_DWORD: return "REG_DWORD";
    case REG_BINARY: return "REG_BINARY";
    default: return nullptr;
  }
}

bool RegValueFromJson(const json& in, const std::string& where, RegValue* out, std::string* error) {
  if (!in.is_object()) {
    *error = where + ": expected an object with \"type\" and \"value\"";
    return false;
  }
  for (const auto& [field, unused] : in.items()) {
    if (field != "type" && field != "value") {
      *error = "unknown field \"" + where + "." + field + "\"";
      return false;
    }
  }
  if (!in.contains("type") || !in["type"].is_string() || !in.contains("value")) {
    *error = where + ": needs a \"type\" text and a \"value\"";
    return false;
  }
  const std::string type = in["type"].get<std::string>();
  const json& value = in["value"];
  out->strings.clear();
  out->bytes.clear();
  out->number = 0;
  if (type == "REG_SZ" || type == "REG_EXPAND_SZ") {
    if (!value.is_string()) {
      *error = where + ".value: expected a text";
      return false;
    }
    out->type = type == "REG_SZ" ? REG_SZ : REG_EXPAND_SZ;
    out->strings.push_back(layer::Utf8ToWide(value.get<std::string>()));
  } else if (type == "REG_MULTI_SZ") {
    if (!value.is_array()) {
      *error = where + ".value: expected an array of texts";
      return false;
    }
    out->type = REG_MULTI_SZ;
    for (const auto& item : value) {
      if (!item.is_string()) {
        *error = where + ".value: expected an array of texts";
        return false;
      }
      out->strings.push_back(layer::Utf8ToWide(item.get<std::string>()));
    }
  } else if (type == "REG_DWORD") {
    if (!value.is_number_integer() || value.get<std::int64_t>() < 0 || value.get<std::int64_t>() > 0xFFFFFFFFll) {
      *error = where + ".value: expected a number from 0 to 4294967295";
      return false;
    }
    out->type = REG_DWORD;
    out->number = static_cast<DWORD>(value.get<std::int64_t>());
  } else if (type == "REG_BINARY") {
    if (!value.is_string() || !ParseHex(value.get<std::string>(), &out->bytes)) {
      *error = where + ".value: expected hex digits in pairs";
      return false;
    }
    out->type = REG_BINARY;
  } else {
    *error = where + ".type: unknown registry type \"" + type + "\"";
    return false;
  }
  return true;
}

nlohmann::ordered_json RegValueToJson(const RegValue& value) {
  nlohmann::ordered_json out;
  out["type"] = RegTypeName(value.type);
  switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      out["value"] = layer::WideToUtf8(value.strings.empty() ? std::wstring() : value.strings[0]);
      break;
    case REG_MULTI_SZ: {
      nlohmann::ordered_json list = nlohmann::ordered_json::array();
      for (const auto& s : value.strings) list.push_back(layer::WideToUtf8(s));
      out["value"] = list;
      break;
    }
    case REG_DWORD: out["value"] = value.number; break;
    default: out["value"] = ToHex(value.bytes); break;
  }
  return out;
}

bool SplitKeyPath(std::wstring_view path, std::vector<std::wstring>* names) {
  names->clear();
  if (path.empty()) return true;
  size_t start = 0;
  while (true) {
    size_t end = path.find(L'\\', start);
    std::wstring_view name = path.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
    if (name.empty() || name.size() > 255) return false;
    for (wchar_t c : name) {
      if (c < 0x20 || static_cast<unsigned long>(c) > 0xFFFF) return false;
    }
    names->emplace_back(name);
    if (end == std::wstring_view::npos) return true;
    start = end + 1;
  }
}

bool RegistryStore::Load(int folder, const std::string& file, std::string* error) {
  keys_.clear();
  std::string text;
  const WholeFile read = ReadWholeFileAt(folder, file, kMaxHandheldFileBytes, &text, error);
  if (read != WholeFile::kRead) return read == WholeFile::kMissing;
  json parsed = json::parse(text, nullptr, false);
  if (parsed.is_discarded()) {
    *error = "not valid JSON";
    return false;
  }
  return FromJson(parsed, error);
}

bool RegistryStore::FromJson(const json& in, std::string* error) {
  keys_.clear();
  if (!in.is_object()) {
    *error = "expected an object of keys";
    return false;
  }
  for (const auto& [keyText, values] : in.items()) {
    std::vector<std::wstring> names;
    std::wstring path = layer::Utf8ToWide(keyText);
    if (!SplitKeyPath(path, &names) || names.empty()) {
      *error = "\"" + keyText + "\": not a valid key path";
      return false;
    }
    if (!values.is_object()) {
      *error = "\"" + keyText + "\": expected an object of values";
      return false;
    }
    CreateKey(path);
    for (const auto& [valueName, valueJson] : values.items()) {
      RegValue value;
      if (!RegValueFromJson(valueJson, keyText + "." + valueName, &value, error)) return false;
      value.name = layer::Utf8ToWide(valueName);
      SetValue(path, value);
    }
  }
  return true;
}

nlohmann::ordered_json RegistryStore::ToJson() const {
  nlohmann::ordered_json out = nlohmann::ordered_json::object();
  for (const auto& [folded, key] : keys_) {
    nlohmann::ordered_json values = nlohmann::ordered_json::object();
    for (const auto& value : key.values) values[layer::WideToUtf8(value.name)] = RegValueToJson(value);
    out[layer::WideToUtf8(key.path)] = values;
  }
  return out;
}

bool RegistryStore::Save(const HostFolder& home, Staging& staging) const {
  const std::string text = ToJson().dump(2) + "\n";
  if (text.size() > kMaxHandheldFileBytes) return false;
  std::string temp;
  const int fd = staging.Create(home, Staging::kHandheldFolder, &temp);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, text.data(), text.size(), 0) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::renameat(home.fd(), temp.c_str(), home.fd(), kRegistryFile) == 0;
  if (!ok) ::unlinkat(home.fd(), temp.c_str(), 0);
  staging.Resolved(Staging::kHandheldFolder, temp);
  return ok;
}

bool RegistryStore::KeyExists(std::wstring_view path) const {
  std::vector<std::wstring> names;
  if (!SplitKeyPath(path, &names)) return false;
  if (names.empty()) return true;
  std::wstring folded = FoldedKey(names);
  auto it = keys_.lower_bound(folded);
  return it != keys_.end() && (it->first == folded || IsBelow(it->first, folded));
}

bool RegistryStore::CreateKey(std::wstring_view path) {
  std::vector<std::wstring> names;
  if (!SplitKeyPath(path, &names) || names.empty()) return false;
  std::wstring folded = FoldedKey(names);
  if (keys_.count(folded)) return false;
  std::wstring joined;
  for (const auto& name : names) joined += (joined.empty() ? L"" : L"\\") + name;
  keys_[folded] = Key{joined, {}};
  return true;
}

bool RegistryStore::DeleteKey(std::wstring_view path) {
  std::vector<std::wstring> names;
  if (!SplitKeyPath(path, &names) || names.empty()) return false;
  std::wstring folded = FoldedKey(names);
  bool found = false;
  for (auto it = keys_.lower_bound(folded); it != keys_.end() && (it->first == folded || IsBelow(it->first, folded));) {
    it = keys_.erase(it);
    found = true;
  }
  return found;
}

const RegValue* RegistryStore::FindValue(std::wstring_view keyPath, std::wstring_view name) const {
  std::vector<std::wstring> names;
  if (!SplitKeyPath(keyPath, &names)) return nullptr;
  auto it = keys_.find(FoldedKey(names));
  if (it == keys_.end()) return nullptr;
  for (const auto& value : it->second.values) {
    if (NamesEqual(value.name, name)) return &value;
  }
  return nullptr;
}

void RegistryStore::SetValue(std::wstring_view keyPath, const RegValue& value) {
  std::vector<std::wstring> names;
  if (!SplitKeyPath(keyPath, &names) || names.empty()) return;
  CreateKey(keyPath);
  auto& values = keys_[FoldedKey(names)].values;
  for (auto& existing : values) {
    if (NamesEqual(existing.name, value.name)) {
      std::wstring spelling = existing.name;  // the name keeps its first spelling
      existing = value;
      existing.name = spelling;
      return;
    }
  }
  values.push_back(value);
}

}  // namespace emu
