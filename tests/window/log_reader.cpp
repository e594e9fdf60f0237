#include "tests/window/log_reader.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/Log.h"
#include "platform/win32/strings.h"

void LogReader::Open() {
  path_ = (std::filesystem::temp_directory_path() / ("quellor_window_log_" + std::to_string(getpid()) + ".txt"))
              .string();
  std::ofstream(path_, std::ios::trunc).close();
  g_LogPath = layer::Utf8ToWide(path_);
}

void LogReader::Close() {
  if (path_.empty()) return;
  std::remove(path_.c_str());
  path_.clear();
  g_LogPath.clear();
}

std::wstring LogReader::Text() const {
  std::ifstream file(g_LogPath.empty() ? path_ : layer::WideToUtf8(g_LogPath), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return text;
}

std::string LogReader::Narrow() const { return layer::WideToUtf8(Text()); }
