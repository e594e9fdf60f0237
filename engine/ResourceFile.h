// Resource packs: one enciphered file of named entries (pictures, font glyphs), read
// whole into memory and deciphered in place. Entries point into the pack's buffer;
// nothing is copied out.
//
// The file: bytes 0-3 unused; 4-19 the four cipher key words, each XORed with a mask
// word; from byte 20 on enciphered with XTEAMod (5 cycles): the directory offset, size,
// data offset and data size (20-35), then the directory's records (offset from the data
// area, size, name bytes and a 0) and the data area. Numbers are 32-bit little-endian.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CTResourceFile;

// One named entry of a pack; the empty resource (no owner) stands for "not found".
class CTResource {
 public:
  CTResource();
  CTResource(std::wstring name, CTResourceFile* owner, std::uint32_t index, std::uint32_t offset,
             std::uint32_t size);
  CTResource(const CTResource& other);
  CTResource& operator=(const CTResource& other);
  virtual ~CTResource();

  // The entry's size bytes inside the owner's buffer; null for the empty resource.
  virtual const std::uint8_t* GetData() const;

  // Each stored 8-bit character widened to the UTF-16 unit of the same value.
  const std::wstring& GetName() const { return name; }
  CTResourceFile* GetOwner() const { return owner; }
  std::uint32_t GetIndex() const { return index; }
  // From the start of the pack's data area.
  std::uint32_t GetOffset() const { return offset; }
  std::uint32_t GetSize() const { return size; }

 private:
  std::wstring name;
  CTResourceFile* owner;  // not owned
  std::uint32_t index;
  std::uint32_t offset;
  std::uint32_t size;
};

class CTResourceFile {
 public:
  // The header's four words and where the directory starts.
  static constexpr std::uint32_t kKeyOffset = 4;
  static constexpr std::uint32_t kEncipheredFrom = 20;
  static constexpr std::uint32_t kHeaderSize = 36;
  static constexpr std::uint32_t kCipherRounds = 5;
  // The largest pack read (the program's own are a few hundred KiB). A directory may
  // claim most of the file for one name, which takes four times its bytes once widened.
  static constexpr std::uint32_t kMaxFileSize = std::uint32_t{64} << 20;

  CTResourceFile();
  virtual ~CTResourceFile();
  CTResourceFile(const CTResourceFile&) = delete;
  CTResourceFile& operator=(const CTResourceFile&) = delete;

  // Reads and deciphers the pack and lists its entries. A file that can't be opened, is
  // larger than kMaxFileSize or whose buffer or entries don't fit in memory is an ERROR
  // that ends the program ("Can't read resource file"); a short read is logged as a
  // WARNING and the missing bytes read as 0. Whatever the file holds, nothing
  // outside the buffer is touched: a file shorter than the header has no entries, and
  // the directory ends at the first record that does not lie wholly inside the file.
  virtual void Load(const std::wstring& path, std::int32_t salt, const std::uint32_t mask[4], const char* passText);

  // First entry with this index / exactly this name (letter case counts), or the empty
  // resource.
  virtual CTResource GetByIndex(std::uint32_t index) const;
  virtual CTResource GetByName(const std::wstring& name) const;
  // Every entry whose name begins with prefix, in directory order.
  virtual std::vector<CTResource> GetByPrefix(const std::wstring& prefix) const;
  // The entry's bytes. An entry that reaches past the data area, or past the end of the
  // file, ends the program without a log line ("Incorrect resource pointer").
  virtual const std::uint8_t* GetData(CTResource resource) const;

  const std::vector<CTResource>& GetEntries() const { return entries; }
  std::uint32_t GetFileSize() const { return fileSize; }
  std::uint32_t GetDirOffset() const { return dirOffset; }
  std::uint32_t GetDirSize() const { return dirSize; }
  std::uint32_t GetDataOffset() const { return dataOffset; }
  std::uint32_t GetDataSize() const { return dataSize; }

 private:
  void ParseDirectory();

  std::vector<CTResource> entries;
  std::unique_ptr<std::uint8_t[]> buffer;  // the whole file, deciphered from byte 20 on
  std::uint32_t dirOffset = 0;
  std::uint32_t dirSize = 0;
  std::uint32_t dataOffset = 0;
  std::uint32_t dataSize = 0;
  std::uint32_t fileSize = 0;
};
