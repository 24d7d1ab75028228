#include "bench/common/childrun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zv {
namespace bench {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

TChildRun RunChild(const std::string& program, const std::vector<std::string>& params,
                   const TProbe& probe) {
  TChildRun r;
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& p : params) argv.push_back(const_cast<char*>(p.c_str()));
  argv.push_back(nullptr);
  auto t0 = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) {
      dup2(quiet, 1);
      dup2(quiet, 2);
    }
    execve(program.c_str(), argv.data(), environ);
    _exit(127);
  }
  int status = 0;
  rusage ru{};
  double paused = 0;
  auto last = Clock::now();
  for (;;) {
    pid_t w = wait4(pid, &status, probe.run ? WNOHANG : 0, &ru);
    if (w == pid) break;
    if (w < 0) return r;
    usleep(10000);
    if (SecondsSince(last) < probe.every) continue;
    auto p0 = Clock::now();
    kill(pid, SIGSTOP);
    int st = 0;
    if (waitpid(pid, &st, WUNTRACED) == pid && WIFSTOPPED(st)) {
      probe.run();
      kill(pid, SIGCONT);
    } else if (WIFEXITED(st) || WIFSIGNALED(st)) {
      status = st;
      wait4(pid, nullptr, WNOHANG, &ru);
      break;
    }
    paused += SecondsSince(p0);
    last = Clock::now();
  }
  r.seconds = SecondsSince(t0) - paused;
  r.maxRssKb = ru.ru_maxrss;
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return r;
}

}  // namespace bench
}  // namespace zv
