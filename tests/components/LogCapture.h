// Points the engine's log at a fresh file for one test and reads it back, so tests can
// see the warnings and errors that components write. Death tests fork, so the child's
// last line lands in the same file.
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
  LogCapture() {
    path_ = testing::TempDir() + "components_log_" + std::to_string(::getpid()) + "_" +
            std::to_string(counter_++) + ".txt";
    std::ofstream(path_, std::ios::binary | std::ios::trunc);
    saved_ = g_LogPath;
    g_LogPath = layer::Utf8ToWide(path_);
  }
  ~LogCapture() {
    g_LogPath = saved_;
    std::remove(path_.c_str());
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // The file's UTF-16 little-endian text.
  std::wstring Text() const {
    std::ifstream in(path_, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::wstring text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return text;
  }
  // Whether a line with this level tag and text was written.
  bool Has(const std::wstring& tag, const std::wstring& message) const {
    return Text().find(tag + message + L"\r\n") != std::wstring::npos;
  }
  bool HasError(const std::wstring& message) const { return Has(L"ERROR    ", message); }
  bool HasWarning(const std::wstring& message) const { return Has(L"WARNING  ", message); }
  bool Empty() const { return Text().empty(); }

 private:
  static inline int counter_ = 0;
  std::string path_;
  std::wstring saved_;
};
