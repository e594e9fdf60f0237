// Reads the handheld's own small files (profile.json, registry.json, the layer's
// journals) whole, refusing anything that is not a plain file of modest size.
#pragma once

#include <cstddef>
#include <string>

namespace emu {

// The most profile.json or registry.json may hold. Either is a few kilobytes in use;
// the bound keeps a huge file from taking gigabytes on every look at the handheld.
constexpr std::size_t kMaxHandheldFileBytes = std::size_t{4} << 20;  // 4 MiB

enum class WholeFile { kRead, kMissing, kRefused };

// Reads the file at path into *text. Missing (the name or a folder on its way):
// kMissing. A FIFO, a device, a folder (or a link to one), a file larger than maxBytes,
// or one that cannot be opened or read: kRefused, and *why says which in a few words.
// The type is checked on the opened descriptor, which was opened without blocking, so
// nothing can swap the file in between and a FIFO never holds the caller; no more than
// one byte past maxBytes is ever read.
WholeFile ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string* text, std::string* why);
// The same for a name in a folder held open (a path relative to it).
WholeFile ReadWholeFileAt(int folder, const std::string& name, std::size_t maxBytes, std::string* text,
                          std::string* why);
// The same for a file already open for reading, from its current position: kRead or kRefused.
WholeFile ReadOpenFile(int fd, std::size_t maxBytes, std::string* text, std::string* why);

}  // namespace emu
