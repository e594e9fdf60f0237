#include "platform/win32/shell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <condition_variable>
#include <cwctype>
#include <mutex>
#include <string>
#include <thread>

#include "platform/win32/fork_held.h"
#include "platform/win32/shell_internal.h"
#include "platform/win32/strings.h"

extern char** environ;

namespace {

// Handlers are reaped by detached threads so that none is left a zombie; the state
// lives as long as the process because those threads may outlast static destruction.
struct HandlerState {
  std::mutex mutex;
  std::condition_variable ended;
  int running = 0;
  std::string opener = "xdg-open";
};

HandlerState& State() {
  static HandlerState* state = new HandlerState;
  return *state;
}
std::mutex& StateLock() { return State().mutex; }
const bool kStateHeldAcrossForks = layer::HoldAcrossForks<StateLock>();

HINSTANCE Result(int code) { return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(code)); }

bool IsOpenVerb(LPCWSTR operation) {
  if (operation == nullptr) return true;
  std::wstring verb(operation);
  for (wchar_t& c : verb) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return verb == L"open";
}

}  // namespace

namespace layer {

void SetShellOpener(const std::string& program) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().opener = program;
}

void WaitForShellHandlers() {
  HandlerState& state = State();
  std::unique_lock<std::mutex> lock(state.mutex);
  state.ended.wait(lock, [&] { return state.running == 0; });
}

}  // namespace layer

HINSTANCE ShellExecuteW(HWND, LPCWSTR operation, LPCWSTR file, LPCWSTR, LPCWSTR directory, INT) {
  if (file == nullptr || *file == 0) return Result(SE_ERR_FNF);
  if (!IsOpenVerb(operation)) return Result(SE_ERR_NOASSOC);

  HandlerState& state = State();
  std::string opener;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    opener = state.opener;
  }
  std::string target = layer::WideToUtf8(file);
  char* argv[] = {opener.data(), target.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  std::string folder;
  if (directory != nullptr && *directory != 0) {
    folder = layer::PcPathToHost(directory);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  }
  pid_t child = 0;
  int error = posix_spawnp(&child, opener.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    if (error == ENOMEM) return Result(SE_ERR_OOM);
    if (error == EACCES || error == EPERM) return Result(SE_ERR_ACCESSDENIED);
    return Result(SE_ERR_FNF);
  }

  {
    std::lock_guard<std::mutex> lock(state.mutex);
    ++state.running;
  }
  std::thread([child, &state] {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> lock(state.mutex);
    --state.running;
    state.ended.notify_all();
  }).detach();
  return Result(42);
}
