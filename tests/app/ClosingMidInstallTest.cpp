// Closing the window while the install worker still runs: nothing waits for the
// worker, so the program ends at once, and it must end cleanly with the worker alive
// through the teardown of its static objects: exit code 0, no signal, no sanitizer
// report, and the handheld keeps what the worker had copied so far.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "engine/Window.h"
#include "installer/InstallWorkers.h"
#include "platform/testkit/input.h"
#include "tests/app/AppKit.h"
#include "tests/app/Journey.h"

namespace apptest {
namespace {

TEST(ClosingMidInstall, TheProgramEndsCleanlyWhileTheWorkerIsStillCopying) {
  TempFolder logs("logs");
  const std::string output = logs.Path() + "/child.txt";
  ::setenv("ALLUSERS", (logs.Path() + "/logs").c_str(), 1);
  TempHandheld handheld;
  // The worker stops for good at the data file, after the configuration and the
  // executable: it is copying whenever the window closes, whatever the timing.
  ProgramCopy copy;
  copy.StallPayload("QMRes_VGA.dat");
  const std::string executable = PayloadFile("QuellorMobileVGA.exe");

  RunInChild([&] {
    // Everything the child prints, a sanitizer's report at exit among it, goes where the
    // test can read it.
    const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ::dup2(fd, STDOUT_FILENO);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
    // A program that waited for its worker at exit would wait for good: end it long
    // before the journey's own watchdog would.
    ::alarm(60);

    Journey journey("closing during the installation");
    SkipSplash(journey);
    journey.Do("the copy's payload", [&] { ASSERT_TRUE(copy.MakeCurrent()); });
    InstallOn(journey, 0);
    journey
        .Then("the executable copied",
                   [&] { return handheld.Read(kGameFolder + "QuellorMobile.exe") == executable; })
        .Do("the user closes the window", [] { testkit::CloseWindow(g_Window); });
    EXPECT_EQ(journey.Run(), 0);
    EXPECT_EQ(g_InstallStatus, WorkerRunning) << "the worker was to outlive the main loop";
    // The child now exits as the program does after WinMain: static objects go while
    // the worker still waits for its file.
  });

  const std::string childOutput = ReadFile(output);
  EXPECT_EQ(childOutput.find("Sanitizer"), std::string::npos);
  EXPECT_EQ(childOutput.find("runtime error"), std::string::npos);
  if (HasFailure()) ADD_FAILURE() << "what the child printed:\n" << childOutput;
  EXPECT_EQ(handheld.Read(kGameFolder + "Config.xml"), PayloadFile("Config.xml"));
  EXPECT_EQ(handheld.Read(kGameFolder + "QMRes_VGA.dat"), "");
  EXPECT_EQ(handheld.Registry(), json({{kGameKey, {{"RP", Sz(kGameFolder)}}}}));
  ::unsetenv("ALLUSERS");
}

}  // namespace
}  // namespace apptest
