#include "platform/rapi2/handheld_profile.h"

#include <fcntl.h>

#include <initializer_list>
#include <limits>

#include "platform/rapi2/device_path.h"
#include "platform/win32/strings.h"

namespace emu {

namespace {

using nlohmann::json;

// Reads one JSON object field by field, naming the field in every error.
class Reader {
 public:
  Reader(const json& object, std::string where, std::string* error)
      : object_(object), where_(std::move(where)), error_(error) {}

  bool Expect(std::initializer_list<const char*> known) {
    if (!object_.is_object()) return Fail(where_.empty() ? "the profile" : where_, "expected an object");
    for (const auto& [field, unused] : object_.items()) {
      bool ok = false;
      for (const char* k : known) ok = ok || field == k;
      if (!ok) {
        *error_ = "unknown field \"" + Name(field) + "\"";
        return false;
      }
    }
    return true;
  }

  bool Has(const char* field) const { return object_.contains(field); }
  const json& At(const char* field) const { return object_.at(field); }
  std::string Name(const std::string& field) const { return where_.empty() ? field : where_ + "." + field; }

  bool Text(const char* field, std::wstring* out) {
    if (!Has(field)) return true;
    if (!At(field).is_string()) return Fail(Name(field), "expected a text");
    *out = layer::Utf8ToWide(At(field).get<std::string>());
    return true;
  }

  bool Bool(const char* field, bool* out) {
    if (!Has(field)) return true;
    if (!At(field).is_boolean()) return Fail(Name(field), "expected true or false");
    *out = At(field).get<bool>();
    return true;
  }

  template <class T>
  bool Integer(const char* field, T* out) {
    if (!Has(field)) return true;
    const json& v = At(field);
    bool fits = v.is_number_unsigned()
                    ? v.get<std::uint64_t>() <= static_cast<std::uint64_t>(std::numeric_limits<T>::max())
                    : v.is_number_integer() && v.get<std::int64_t>() >= 0 &&
                          static_cast<std::uint64_t>(v.get<std::int64_t>()) <=
                              static_cast<std::uint64_t>(std::numeric_limits<T>::max());
    if (!fits) return Fail(Name(field), "expected a whole number from 0 to " + std::to_string(std::numeric_limits<T>::max()));
    *out = static_cast<T>(v.is_number_unsigned() ? v.get<std::uint64_t>() : static_cast<std::uint64_t>(v.get<std::int64_t>()));
    return true;
  }

  bool Fail(const std::string& name, const std::string& why) {
    *error_ = name + ": " + why;
    return false;
  }

 private:
  const json& object_;
  std::string where_;
  std::string* error_;
};

bool ReadVolume(const json& in, const std::string& where, bool isCard, Volume* out, std::string* error) {
  Reader r(in, where, error);
  if (isCard ? !r.Expect({"name", "total", "reserved"}) : !r.Expect({"total", "reserved"})) return false;
  if (isCard) {
    // A card given no details is the usual 1 GiB "Storage Card" with nothing reserved.
    out->name = L"Storage Card";
    out->total = 1073741824;
    out->reserved = 0;
    if (!r.Text("name", &out->name)) return false;
    if (!IsValidName(out->name)) return r.Fail(r.Name("name"), "not a valid folder name");
  }
  return r.Integer("total", &out->total) && r.Integer("reserved", &out->reserved);
}

bool ReadDevicePath(Reader& r, const json& value, const std::string& name, std::wstring* out) {
  if (!value.is_string()) return r.Fail(name, "expected a device path text");
  *out = layer::Utf8ToWide(value.get<std::string>());
  if (!SplitDevicePath(*out)) return r.Fail(name, "not a valid device path (\"\\\\Folder\\\\Name\")");
  return true;
}

bool ReadProgram(const std::string& pathText, const json& in, const std::string& where, ProgramBehaviour* out,
                 std::string* error) {
  Reader r(in, where, error);
  if (!r.Expect({"delay_seconds", "registry"})) return false;
  if (!ReadDevicePath(r, json(pathText), where, &out->path)) return false;
  out->delaySeconds = 3.0;
  if (r.Has("delay_seconds")) {
    const json& d = r.At("delay_seconds");
    if (d.is_null()) {
      out->delaySeconds.reset();
    } else if (d.is_number() && d.get<double>() >= 0 && d.get<double>() < 1e9) {
      out->delaySeconds = d.get<double>();
    } else {
      return r.Fail(r.Name("delay_seconds"), "expected null or a number of seconds, 0 or more");
    }
  }
  if (!r.Has("registry")) return true;
  const json& keys = r.At("registry");
  if (!keys.is_object()) return r.Fail(r.Name("registry"), "expected an object of keys");
  for (const auto& [keyText, values] : keys.items()) {
    std::string keyWhere = r.Name("registry") + "." + keyText;
    std::vector<std::wstring> names;
    std::wstring key = layer::Utf8ToWide(keyText);
    if (!SplitKeyPath(key, &names) || names.empty()) return r.Fail(keyWhere, "not a valid key path");
    if (!values.is_object()) return r.Fail(keyWhere, "expected an object of values");
    for (const auto& [valueName, valueJson] : values.items()) {
      ProgramBehaviour::Write write{key, {}};
      if (!RegValueFromJson(valueJson, keyWhere + "." + valueName, &write.value, error)) return false;
      write.value.name = layer::Utf8ToWide(valueName);
      out->writes.push_back(std::move(write));
    }
  }
  return true;
}

bool ReadProfile(const json& in, Profile* p, std::string* error) {
  Reader r(in, "", error);
  if (!r.Expect({"name", "os", "screen", "connected", "main_memory", "cards", "programs_folder", "programs",
                 "faults"})) {
    return false;
  }
  if (!r.Text("name", &p->name) || !r.Bool("connected", &p->connected)) return false;
  if (r.Has("os")) {
    Reader os(r.At("os"), "os", error);
    if (!os.Expect({"major", "minor"}) || !os.Integer("major", &p->osMajor) || !os.Integer("minor", &p->osMinor)) {
      return false;
    }
  }
  if (r.Has("screen")) {
    Reader screen(r.At("screen"), "screen", error);
    if (!screen.Expect({"width", "height"}) || !screen.Integer("width", &p->screenWidth) ||
        !screen.Integer("height", &p->screenHeight)) {
      return false;
    }
  }
  if (r.Has("main_memory") && !ReadVolume(r.At("main_memory"), "main_memory", false, &p->mainMemory, error)) {
    return false;
  }
  if (r.Has("cards")) {
    const json& cards = r.At("cards");
    if (!cards.is_array()) return r.Fail("cards", "expected an array");
    for (size_t i = 0; i < cards.size(); ++i) {
      Volume card;
      std::string where = "cards[" + std::to_string(i) + "]";
      if (!ReadVolume(cards[i], where, true, &card, error)) return false;
      for (const auto& other : p->cards) {
        if (NamesEqual(other.name, card.name)) return r.Fail(where + ".name", "a second card of that name");
      }
      p->cards.push_back(card);
    }
  }
  if (r.Has("programs_folder")) {
    const json& folder = r.At("programs_folder");
    if (folder.is_null()) {
      p->programsFolder.reset();
    } else {
      std::wstring path;
      if (!ReadDevicePath(r, folder, "programs_folder", &path)) return false;
      p->programsFolder = path;
    }
  }
  if (r.Has("programs")) {
    const json& programs = r.At("programs");
    if (!programs.is_object()) return r.Fail("programs", "expected an object of program paths");
    for (const auto& [path, behaviour] : programs.items()) {
      ProgramBehaviour program;
      if (!ReadProgram(path, behaviour, "programs." + path, &program, error)) return false;
      p->programs.push_back(std::move(program));
    }
  }
  if (r.Has("faults")) {
    Reader f(r.At("faults"), "faults", error);
    if (!f.Expect({"no_desktop", "session_refused", "process_refused", "shortcut_refused", "disconnect_after_bytes"}) ||
        !f.Bool("no_desktop", &p->noDesktop) || !f.Bool("session_refused", &p->sessionRefused) ||
        !f.Bool("process_refused", &p->processRefused) || !f.Bool("shortcut_refused", &p->shortcutRefused)) {
      return false;
    }
    if (f.Has("disconnect_after_bytes") && !f.At("disconnect_after_bytes").is_null()) {
      std::uint64_t bytes = 0;
      if (!f.Integer("disconnect_after_bytes", &bytes)) return false;
      p->disconnectAfterBytes = bytes;
    }
  }
  return true;
}

}  // namespace

bool ParseProfile(std::string_view text, Profile* out, std::string* error) {
  json parsed;
  try {
    parsed = json::parse(text);
  } catch (const json::parse_error& e) {
    *error = std::string("not valid JSON: ") + e.what();
    return false;
  }
  Profile profile;
  if (!ReadProfile(parsed, &profile, error)) return false;
  *out = std::move(profile);
  return true;
}

WholeFile LoadProfile(const std::string& path, Profile* out, std::string* error) {
  return LoadProfileAt(AT_FDCWD, path, out, error);
}

WholeFile LoadProfileAt(int folder, const std::string& name, Profile* out, std::string* error) {
  std::string text;
  const WholeFile read = ReadWholeFileAt(folder, name, kMaxHandheldFileBytes, &text, error);
  if (read != WholeFile::kRead) return read;
  return ParseProfile(text, out, error) ? WholeFile::kRead : WholeFile::kRefused;
}

}  // namespace emu
