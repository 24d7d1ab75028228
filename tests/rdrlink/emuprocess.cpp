#include "tests/rdrlink/emuprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

extern char** environ;

namespace zv {

namespace {
pid_t Spawn(const std::vector<std::string>& args, int& outFd) {
  int p[2];
  if (::pipe2(p, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, p[1], 1);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  ::close(p[1]);
  outFd = p[0];
  return pid;
}
}  // namespace

THermeticDir::THermeticDir() {
  const std::string& dir = dir_.path();
  for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
    ::setenv(v, dir.c_str(), 1);
  for (int i = 1; i <= 4; ++i)
    ::setenv(("RDRDLL32_COM" + std::to_string(i)).c_str(), (dir + "/no-such-com" + std::to_string(i)).c_str(), 1);
  ::setenv("RDRDLL32_TIMEOUT_MS", "300", 1);
  ::setenv("RDRDLL32_CONNECT_TIMEOUT_MS", "500", 1);
  ::setenv("RDRDLL32_MODEM_TIMEOUT_MS", "300", 1);
  ::setenv("RDRDLL32_DIAL_TIMEOUT_MS", "500", 1);
  ::setenv("RDRDLL32_MODEM_GUARD_MS", "30", 1);
}

TEmuProcess::TEmuProcess(const std::string& dir) : state_(dir + "/emu.state") {}

TEmuProcess::~TEmuProcess() { Stop(); }

int TEmuProcess::Cli(const std::string& verb, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {ZV_RDREMU_PATH, verb, state_};
  argv.insert(argv.end(), args.begin(), args.end());
  int fd = -1;
  pid_t pid = Spawn(argv, fd);
  output_.clear();
  if (pid < 0) return -1;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) output_.append(buf, static_cast<std::size_t>(n));
  ::close(fd);
  int st = 0;
  ::waitpid(pid, &st, 0);
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

bool TEmuProcess::Serve() {
  Stop();
  pid_ = Spawn({ZV_RDREMU_PATH, "serve", state_}, out_);
  if (pid_ < 0) return false;
  std::string got;
  for (int waited = 0; waited < 10000;) {
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) {
      waited += 100;
      continue;
    }
    char buf[512];
    ssize_t n = ::read(out_, buf, sizeof buf);
    if (n <= 0) return false;
    got.append(buf, static_cast<std::size_t>(n));
    std::istringstream in(got);
    std::string line;
    while (std::getline(in, line)) {
      if (line == "ready") {
        std::istringstream all(got);
        while (std::getline(all, line)) {
          int site;
          char kind[16], where[256];
          if (std::sscanf(line.c_str(), "site %d %15s %255s", &site, kind, where) == 3)
            endpoints_[site] = where;
        }
        return true;
      }
    }
  }
  return false;
}

std::string TEmuProcess::Endpoint(int site) const {
  auto it = endpoints_.find(site);
  return it == endpoints_.end() ? "" : it->second;
}

int TEmuProcess::Port(int site) const {
  std::string e = Endpoint(site);
  std::size_t c = e.rfind(':');
  return c == std::string::npos ? 0 : std::atoi(e.c_str() + c + 1);
}

void TEmuProcess::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGCONT);
  ::kill(pid_, SIGTERM);
  int st;
  ::waitpid(pid_, &st, 0);
  pid_ = -1;
  if (out_ >= 0) ::close(out_);
  out_ = -1;
}

void TEmuProcess::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int st;
  ::waitpid(pid_, &st, 0);
  pid_ = -1;
  if (out_ >= 0) ::close(out_);
  out_ = -1;
}

void TEmuProcess::Freeze() {
  if (pid_ > 0) ::kill(pid_, SIGSTOP);
}
void TEmuProcess::Thaw() {
  if (pid_ > 0) ::kill(pid_, SIGCONT);
}

}  // namespace zv
