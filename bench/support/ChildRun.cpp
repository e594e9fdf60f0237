#include "bench/support/ChildRun.h"

#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace bench {

namespace {

constexpr char kReportArgument[] = "--report-fd=";
// The descriptor the report pipe gets in the child.
constexpr int kChildReportFd = 3;

}  // namespace

std::map<std::string, std::string> ParseReport(const std::string& report) {
  std::map<std::string, std::string> readings;
  std::istringstream lines(report);
  for (std::string name, value; lines >> name && std::getline(lines >> std::ws, value);) readings[name] = value;
  return readings;
}

double MonotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

ChildResult RunSelf(const std::vector<std::string>& args) { return RunProgram("/proc/self/exe", args); }

ChildResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // dup2 leaves the copy open across exec; every other descriptor of ours closes.
  posix_spawn_file_actions_adddup2(&actions, fds[1], kChildReportFd);

  std::string path = program;
  std::string reportArgument = kReportArgument + std::to_string(kChildReportFd);
  std::vector<char*> argv{path.data()};
  std::vector<std::string> copies = args;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(reportArgument.data());
  argv.push_back(nullptr);

  ChildResult result;
  pid_t child = 0;
  result.spawnedAt = MonotonicSeconds();
  const int failed = posix_spawn(&child, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (failed != 0) {
    ::close(fds[0]);
    throw std::runtime_error(std::string("posix_spawn: ") + std::strerror(failed));
  }
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    result.report.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  rusage usage{};
  while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.peakResidentKib = usage.ru_maxrss;
  return result;
}

int ReportFd(int argc, char** argv) {
  const std::size_t length = std::strlen(kReportArgument);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kReportArgument, length) == 0) return std::atoi(argv[i] + length);
  }
  return -1;
}

void Report(int fd, const std::string& text) {
  std::size_t done = 0;
  while (fd >= 0 && done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace bench
