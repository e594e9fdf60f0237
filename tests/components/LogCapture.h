// Points the engine's log at a fresh file for one test and reads its lines back.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/Log.h"
#include "platform/win32/strings.h"

class LogCapture {
 public:
  LogCapture() : path_(testing::TempDir() + "components_log_" + std::to_string(::getpid()) + ".txt") {
    std::ofstream(path_, std::ios::trunc);
    g_LogPath = layer::Utf8ToWide(path_);
  }
  ~LogCapture() {
    g_LogPath.clear();
    std::remove(path_.c_str());
  }
  // How many WARNING lines with this text the file holds (UTF-16 little-endian).
  int Warnings(const std::wstring& message) const {
    std::ifstream in(path_, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::wstring text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    const std::wstring line = L"WARNING  " + message + L"\r\n";
    int count = 0;
    for (std::size_t at = text.find(line); at != std::wstring::npos; at = text.find(line, at + 1)) ++count;
    return count;
  }

 private:
  std::string path_;
};
