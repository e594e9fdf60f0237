// WinMain's roads that end the built program before its main loop, run as a child
// process from a folder other than its own.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "platform/win32/strings.h"
#include "tests/app/AppKit.h"

namespace apptest {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  int exitCode = -1;   // -1 when it did not exit normally
  int signal = 0;      // the signal that ended it, if any
  std::string output;  // standard output and error together
};

class StartupRoads : public ::testing::Test {
 protected:
  // The program's folder gets the executable and the named files of the distribution;
  // it runs from elsewhere, without a handheld. timeout ends a program that hangs, and
  // passes on the signal that ended one that died.
  ProgramRun RunWith(std::initializer_list<const char*> files) {
    fs::copy_file(DistFolder() + "/QuellorInstaller", program.Path() + "/QuellorInstaller");
    for (const char* file : files) {
      fs::copy(DistFolder() + "/" + file, program.Path() + "/" + file, fs::copy_options::recursive);
    }
    const std::string command = "cd '" + elsewhere.Path() + "' && exec env -u RAPI_HANDHELD ALLUSERS='" + logs.Path() +
                                "' SDL_VIDEODRIVER=offscreen SDL_RENDER_DRIVER=software timeout -s KILL 60 '" +
                                program.Path() + "/QuellorInstaller' --install /quiet 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("popen failed");
    ProgramRun run;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) != 0;) run.output.append(buffer, n);
    const int status = ::pclose(pipe);
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    return run;
  }
  // Every log file under the log root, decoded from UTF-16 to UTF-8.
  std::vector<std::string> Logs() const {
    std::vector<std::string> written;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(logs.Path())) {
      if (entry.is_regular_file()) written.push_back(layer::WideToUtf8(testsupport::FromUtf16Le(ReadBytes(entry.path()))));
    }
    return written;
  }

  TempFolder program{"program"}, elsewhere{"elsewhere"}, logs{"logs"};
};

TEST_F(StartupRoads, WithoutAReadableConfigurationTheProgramEndsWithOneBeforeAnyWindow) {
  // A complete distribution in the current folder must not be taken for the program's.
  for (const char* file : {"Config.xml", "Common.pak", "Local.pak"}) {
    fs::copy_file(DistFolder() + "/" + file, elsewhere.Path() + "/" + file);
  }
  for (const bool cutShort : {false, true}) {
    SCOPED_TRACE(cutShort ? "cut short" : "missing");
    fs::remove_all(program.Path() + "/");
    fs::create_directory(program.Path());
    if (cutShort) std::ofstream(program.Path() + "/Config.xml") << "<Config><Header>cut short";
    const ProgramRun run = RunWith({"Common.pak", "Local.pak"});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    // The engine never started: no log was opened, so no window was made either.
    EXPECT_TRUE(Logs().empty());
  }
}

TEST_F(StartupRoads, AMissingPackIsAnErrorThatEndsTheProgramAfterTheEngineStarted) {
  const ProgramRun run = RunWith({"Config.xml", "Common.pak", "Inst"});

  EXPECT_EQ(run.signal, 0) << run.output;
  EXPECT_NE(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Can't read resource file"), std::string::npos) << run.output;
  // Started from elsewhere, it still found its configuration and opened its window.
  const std::vector<std::string> written = Logs();
  ASSERT_EQ(written.size(), 1u);
  const std::string& log = written.front();
  EXPECT_NE(log.find("INFO     Engine Initialization Done\r\n"), std::string::npos) << log;
  const std::string error = "ERROR    Can't read resource file\r\n";
  ASSERT_GE(log.size(), error.size());
  EXPECT_EQ(log.substr(log.size() - error.size()), error) << "the error is the last line:\n" << log;
}

}  // namespace
}  // namespace apptest
