// A program that forks while other threads of its own are inside calls of the layer:
// the child must never find a lock of the layer's held by a thread it does not have.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// Forks `forks` children one after another while `threads` threads run `busy` over and
// over. Each child runs `child` under an alarm and ends with its answer. Says how many
// children hung (stopping at the first: one is enough) and how many answered false:
// "hung 0, failed 0" when all is well.
inline std::string ForkWhileCalling(int threads, const std::function<void()>& busy,
                                    const std::function<bool()>& child, int forks = 150) {
  std::atomic<bool> stop{false};
  std::vector<std::thread> callers;
  for (int n = 0; n < threads; ++n) {
    callers.emplace_back([&] {
      while (!stop) busy();
    });
  }
  int hung = 0, failed = 0;
  for (int n = 0; n < forks && hung == 0; ++n) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::alarm(10);  // a child that waits for a lock no thread of its own holds, for ever
      ::_exit(child() ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) {
      ++failed;
      continue;
    }
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) {
      ++hung;
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      ++failed;
    }
  }
  stop = true;
  for (std::thread& caller : callers) caller.join();
  return "hung " + std::to_string(hung) + ", failed " + std::to_string(failed);
}

}  // namespace testsupport
