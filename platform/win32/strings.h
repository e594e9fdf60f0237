// Text conversions used by the layer and by tools: wide strings hold UTF-16 code
// units (see types.h), the host's file system and terminals speak UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace layer {

// UTF-16 units to UTF-8; surrogate pairs are joined, a lone surrogate becomes U+FFFD.
std::string WideToUtf8(std::wstring_view text);
// UTF-8 to UTF-16 units; characters above U+FFFF become surrogate pairs, malformed
// bytes become U+FFFD.
std::wstring Utf8ToWide(std::string_view text);
// A PC path as the system writes it ("Inst\Config.xml") to a host path: "\" is a
// separator, as on Windows.
std::string PcPathToHost(std::wstring_view path);

}  // namespace layer
