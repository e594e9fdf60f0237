// A log file of its own for one test, read back as text.
#pragma once

#include <string>

class LogReader {
 public:
  // Points the engine's log at a fresh file.
  void Open();
  // The engine's log points nowhere again; the file is removed.
  void Close();
  // The file's UTF-16 little-endian text.
  std::wstring Text() const;
  // The text in 8-bit characters, for failure messages.
  std::string Narrow() const;

 private:
  std::string path_;
};
