// WinMain's roads that end the built program before its main loop, run as a child
// process from a folder other than its own.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/app/AppKit.h"

namespace apptest {
namespace {

namespace fs = std::filesystem;

class StartupRoads : public ::testing::Test {
 protected:
  // The program's folder gets the executable and the named files of the distribution.
  ProgramRun RunWith(std::initializer_list<const char*> files) {
    fs::copy_file(DistFolder() + "/QuellorInstaller", program.Path() + "/QuellorInstaller");
    for (const char* file : files) {
      fs::copy(DistFolder() + "/" + file, program.Path() + "/" + file, fs::copy_options::recursive);
    }
    return RunProgram(program.Path() + "/QuellorInstaller", {"--install", "/quiet"}, elsewhere.Path(),
                      {{"ALLUSERS", logs.Path()}, {"SDL_VIDEODRIVER", "offscreen"},
                       {"SDL_RENDER_DRIVER", "software"}, {"RAPI_HANDHELD", ""}});
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
    EXPECT_TRUE(ReadLogs(logs.Path()).empty());
  }
}

TEST_F(StartupRoads, AMissingPackIsAnErrorThatEndsTheProgramAfterTheEngineStarted) {
  const ProgramRun run = RunWith({"Config.xml", "Common.pak", "Inst"});

  EXPECT_EQ(run.signal, 0) << run.output;
  EXPECT_NE(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Can't read resource file"), std::string::npos) << run.output;
  // Started from elsewhere, it still found its configuration and opened its window.
  const std::vector<std::string> written = ReadLogs(logs.Path());
  ASSERT_EQ(written.size(), 1u);
  const std::string& log = written.front();
  EXPECT_NE(log.find("INFO     Engine Initialization Done\r\n"), std::string::npos) << log;
  const std::string error = "ERROR    Can't read resource file\r\n";
  ASSERT_GE(log.size(), error.size());
  EXPECT_EQ(log.substr(log.size() - error.size()), error) << "the error is the last line:\n" << log;
}

}  // namespace
}  // namespace apptest
