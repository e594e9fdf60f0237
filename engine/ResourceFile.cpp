#include "engine/ResourceFile.h"

#include <cstring>
#include <new>
#include <utility>

#include "engine/LittleEndian.h"
#include "engine/Log.h"
#include "engine/XTEA.h"
#include "platform/win32/files.h"

CTResource::CTResource() : owner(nullptr), index(0), offset(0), size(0) {}

CTResource::CTResource(std::wstring name, CTResourceFile* owner, std::uint32_t index, std::uint32_t offset,
                       std::uint32_t size)
    : name(std::move(name)), owner(owner), index(index), offset(offset), size(size) {}

CTResource::CTResource(const CTResource& other) = default;
CTResource& CTResource::operator=(const CTResource& other) = default;
CTResource::~CTResource() = default;

const std::uint8_t* CTResource::GetData() const { return owner != nullptr ? owner->GetData(*this) : nullptr; }

CTResourceFile::CTResourceFile() = default;
CTResourceFile::~CTResourceFile() = default;

void CTResourceFile::Load(const std::wstring& path, std::int32_t salt, const std::uint32_t mask[4],
                          const char* passText) {
  entries.clear();
  buffer.reset();
  dirOffset = dirSize = dataOffset = dataSize = fileSize = 0;

  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!IsUsableHandle(file)) FailWithError(L"Can't read resource file");
  DWORD sizeHigh = 0;
  const DWORD size = ::GetFileSize(file, &sizeHigh);
  // Refused before anything is read: past 32 bits the offsets can't address it, and
  // past the bound its names alone could take gigabytes.
  const bool tooBig = size == INVALID_FILE_SIZE || sizeHigh != 0 || size > kMaxFileSize;
  std::uint8_t* bytes = tooBig ? nullptr : new (std::nothrow) std::uint8_t[size];
  if (bytes == nullptr) {
    CloseHandle(file);
    FailWithError(L"Can't read resource file");
  }
  buffer.reset(bytes);
  fileSize = size;
  DWORD read = 0;
  ReadFile(file, bytes, fileSize, &read, nullptr);
  CloseHandle(file);
  if (read < fileSize) {
    WriteLog(LogWarning, L"Resource file can't be read completely");
    std::memset(bytes + read, 0, fileSize - read);
  }

  if (fileSize < kEncipheredFrom) return;
  std::uint32_t key[4];
  for (int k = 0; k < 4; ++k) {
    std::uint8_t* word = bytes + kKeyOffset + 4 * k;
    key[k] = LoadLE32(word) ^ (mask != nullptr ? mask[k] : 0);
    StoreLE32(word, key[k]);
  }
  XTEAMod cipher;
  const std::uint32_t vector[2] = {fileSize + static_cast<std::uint32_t>(salt),
                                   fileSize - static_cast<std::uint32_t>(salt)};
  cipher.SetPad(vector, passText);
  cipher.SetKey(key);
  cipher.SetRounds(kCipherRounds);
  cipher.Decipher(bytes + kEncipheredFrom, fileSize - kEncipheredFrom);

  if (fileSize < kHeaderSize) return;
  dirOffset = LoadLE32(bytes + 20);
  dirSize = LoadLE32(bytes + 24);
  dataOffset = LoadLE32(bytes + 28);
  dataSize = LoadLE32(bytes + 32);
  bool listed = true;
  try {
    ParseDirectory();
  } catch (const std::bad_alloc&) {
    listed = false;
  }
  // Outside the handler, so that the exception is gone before the log line is written.
  if (!listed) FailWithError(L"Can't read resource file");
}

// A record may begin while at least 5 bytes of the directory are left. Records are read
// only while they lie wholly inside the file: the first whose numbers or name (with its
// 0 byte) would run past the end ends the directory there.
void CTResourceFile::ParseDirectory() {
  const std::uint64_t end = static_cast<std::uint64_t>(dirOffset) + dirSize;
  std::uint64_t at = dirOffset;
  for (std::uint32_t index = 0; at + 4 < end; ++index) {
    if (at + 8 > fileSize) break;
    const std::uint8_t* record = buffer.get() + at;
    const std::uint8_t* nameStart = record + 8;
    const auto* nameEnd = static_cast<const std::uint8_t*>(std::memchr(nameStart, 0, fileSize - (at + 8)));
    if (nameEnd == nullptr) break;
    std::wstring name(nameStart, nameEnd);  // one byte to one unit of the same value
    entries.emplace_back(std::move(name), this, index, LoadLE32(record), LoadLE32(record + 4));
    at = static_cast<std::uint64_t>(nameEnd - buffer.get()) + 1;
  }
}

CTResource CTResourceFile::GetByIndex(std::uint32_t index) const {
  for (const CTResource& entry : entries) {
    if (entry.GetIndex() == index) return entry;
  }
  return CTResource();
}

CTResource CTResourceFile::GetByName(const std::wstring& name) const {
  for (const CTResource& entry : entries) {
    if (entry.GetName() == name) return entry;
  }
  return CTResource();
}

std::vector<CTResource> CTResourceFile::GetByPrefix(const std::wstring& prefix) const {
  std::vector<CTResource> found;
  for (const CTResource& entry : entries) {
    const std::wstring& name = entry.GetName();
    if (name.size() >= prefix.size() && name.compare(0, prefix.size(), prefix) == 0) {
      found.push_back(entry);
    }
  }
  return found;
}

// The header's data size may claim more than the file holds, so the entry is checked
// against both.
const std::uint8_t* CTResourceFile::GetData(CTResource resource) const {
  const std::uint64_t end = static_cast<std::uint64_t>(resource.GetOffset()) + resource.GetSize();
  if (end > dataSize || dataOffset + end > fileSize) FailSilently("Incorrect resource pointer");
  if (!buffer) return nullptr;  // a pack never loaded: only an empty entry gets here
  return buffer.get() + dataOffset + resource.GetOffset();
}
