// Runs of this same benchmark program, or of a small baseline program beside it, as a
// fresh process, for what one process can measure only once (start-up, a cold load,
// the real program's whole run). The child writes a report to a pipe whose descriptor
// it finds in its arguments.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace bench {

struct ChildResult {
  double spawnedAt = 0.0;  // MonotonicSeconds() just before the child was started
  int exitCode = -1;       // -1 when it did not exit normally
  long peakResidentKib = 0;
  std::string report;
};

// Starts /proc/self/exe with the arguments and "--report-fd=N", reads what it reports
// until it exits and waits for it.
ChildResult RunSelf(const std::vector<std::string>& args);
// The same with another program.
ChildResult RunProgram(const std::string& program, const std::vector<std::string>& args);

// In the child: the report descriptor named in the arguments, or -1.
int ReportFd(int argc, char** argv);
// Writes the whole text to the descriptor.
void Report(int fd, const std::string& text);

// A child's report read as lines of a name, a space and a value (the rest of the line).
std::map<std::string, std::string> ParseReport(const std::string& report);

// The system-wide monotonic clock, comparable between processes.
double MonotonicSeconds();

}  // namespace bench
