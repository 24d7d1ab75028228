#include "tests/e2e/e2e_harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "util/fileio.h"

extern char** environ;

namespace zv::e2e {

namespace {

std::vector<std::string> BuildEnv(const std::map<std::string, std::string>& over,
                                  const std::vector<std::string>& unset) {
  std::map<std::string, std::string> all;
  for (char** e = environ; *e; ++e) {
    std::string kv = *e;
    auto eq = kv.find('=');
    if (eq != std::string::npos) all[kv.substr(0, eq)] = kv.substr(eq + 1);
  }
  for (const auto& [k, v] : over) all[k] = v;
  for (const auto& k : unset) all.erase(k);
  std::vector<std::string> out;
  for (const auto& [k, v] : all) out.push_back(k + "=" + v);
  return out;
}

pid_t Spawn(const std::string& exe, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& env, int outFd, int errFd,
            long long fileSizeLimit = 0, const std::vector<std::string>& unset = {},
            int uid = -1) {
  std::vector<std::string> envs = BuildEnv(env, unset);
  std::vector<char*> argv{const_cast<char*>(exe.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& e : envs) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int devnull = open("/dev/null", O_RDONLY);
    dup2(devnull, 0);
    dup2(outFd, 1);
    dup2(errFd, 2);
    setpgid(0, 0);
    if (fileSizeLimit > 0) {
      rlimit lim{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
      setrlimit(RLIMIT_FSIZE, &lim);
    }
    if (uid >= 0 && (setgroups(0, nullptr) != 0 || setgid(static_cast<gid_t>(uid)) != 0 ||
                     setuid(static_cast<uid_t>(uid)) != 0))
      _exit(126);
    execve(exe.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  return pid;
}

}  // namespace

std::string Addr(int k) {
  int pid = static_cast<int>(getpid());
  return "127." + std::to_string(pid / 250 % 250 + 1) + "." + std::to_string(pid % 250 + 1) +
         "." + std::to_string(k);
}

std::string NetSite(const std::string& site, const std::string& ip) {
  return site + ", , , , , , 0, " + ip + ", net";
}

void TE2eTest::Emulate(const std::vector<std::string>& args) {
  TRunResult r = Emu(args);
  ASSERT_EQ(r.exitCode, 0) << "rdremu failed: " << r.out << r.err;
}

void TE2eTest::AddTcpSite(const std::string& site, const std::string& addr) {
  Emulate({"add-site", State, "--site", site, "--tcp", addr + ":3001"});
}

void TE2eTest::AddReader(const std::string& site, int address, int model, int memory) {
  Emulate({"add-reader", State, "--site", site, "--addr", std::to_string(address), "--model",
           std::to_string(model), "--memory", std::to_string(memory)});
}

void TE2eTest::SetOffline(const std::string& site, int address) {
  Emulate({"set-offline", State, "--site", site, "--addr", std::to_string(address)});
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : text) {
    if (c == '\n') {
      if (!cur.empty() && cur.back() == '\r') cur.pop_back();
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

std::string DayLogName() {
  std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d.log", &t);
  return buf;
}

std::set<long long> UsersIn(const std::string& text, int field, char sep) {
  std::set<long long> ids;
  for (const std::string& l : Lines(text)) {
    std::vector<std::string> f;
    std::size_t at = 0;
    for (std::size_t next; (next = l.find(sep, at)) != std::string::npos; at = next + 1)
      f.push_back(l.substr(at, next - at));
    f.push_back(l.substr(at));
    if (static_cast<int>(f.size()) > field && !l.empty() && l[0] != '.')
      ids.insert(std::atoll(f[static_cast<std::size_t>(field)].c_str()));
  }
  return ids;
}

void TE2eTest::ExpectPunchersKept(bool pendingToo) const {
  std::set<long long> kept = UsersIn(ReadFile(Data + "user.txt"), 0);
  if (pendingToo) {
    std::set<long long> pending = UsersIn(ReadFile(Data + "users.pending"), 2);
    kept.insert(pending.begin(), pending.end());
  }
  for (long long id : UsersIn(ReadFile(Data + "Punch.Log"), 3))
    EXPECT_TRUE(kept.count(id)) << "user " << id << " punched, yet is kept nowhere";
}

void TE2eTest::SetUp() {
  char tmpl[] = "/tmp/zve2e_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  Root = std::string(tmpl) + "/";
  Data = Root + "data/";
  State = Root + "emu.state";
  for (const char* d : {"config", "share", "run", "data"}) ASSERT_TRUE(ForceDirectories(Root + d));
  chmod((Root + "run").c_str(), 0700);
  Env["XDG_CONFIG_HOME"] = Root + "config";
  Env["XDG_DATA_HOME"] = Root + "share";
  Env["XDG_RUNTIME_DIR"] = Root + "run";
  Env["QT_QPA_PLATFORM"] = "offscreen";
  for (int i = 1; i <= 4; ++i) Env["RDRDLL32_COM" + std::to_string(i)] = Root + "nocom" + std::to_string(i);
  // Short library timeouts: a reader that does not answer fails within a fraction of a second.
  Env["RDRDLL32_TIMEOUT_MS"] = "150";
  Env["RDRDLL32_CONNECT_TIMEOUT_MS"] = "500";
  Env["RDRDLL32_MODEM_TIMEOUT_MS"] = "500";
  Env["RDRDLL32_DIAL_TIMEOUT_MS"] = "2000";
  Env["RDRDLL32_MODEM_GUARD_MS"] = "100";
  Env["ZV_WSOCK_CLOSE_PAUSE_MS"] = "20";
  WriteSettings();
  WriteSites({});
  WriteClocks({});
}

void TE2eTest::TearDown() {
  StopEmulator();
  if (!HasFailure()) {
    std::string cmd = "rm -rf '" + Root + "'";
    if (system(cmd.c_str()) != 0) {
    }
  } else {
    std::fprintf(stderr, "kept %s\n", Root.c_str());
  }
}

void TE2eTest::WriteSettings(int delay, bool saveLog) {
  WriteFile(Root + "config/zorvan32.INI", "[Zorvan32]\r\nDataPath=" + Data +
                                              "\r\nInterCommandDelay=" + std::to_string(delay) +
                                              "\r\nSaveCommandLineLog=" + (saveLog ? "1" : "0") +
                                              "\r\n");
}

void TE2eTest::WriteSites(const std::vector<std::string>& lines) {
  std::string t =
      ".site  port  baud  init    dial      phone     tza     ipaddress     description\r\n"
      ".----  ----  ----  -----  ------  -----------  ---  ---------------  -----------\r\n";
  for (const auto& l : lines) t += l + "\r\n";
  WriteFile(Data + "site.txt", t);
}

void TE2eTest::WriteClocks(const std::vector<std::string>& lines) {
  std::string t = ".site  clock  menu        comment\r\n.----  -----  ----------  -----------\r\n";
  for (const auto& l : lines) t += l + "\r\n";
  WriteFile(Data + "clock.txt", t);
}

void TE2eTest::WriteFile(const std::string& path, const std::string& bytes) {
  ASSERT_TRUE(WriteFileAtomic(path, bytes)) << path;
}

std::string TE2eTest::ReadFile(const std::string& path) const {
  std::string s;
  ReadWholeFile(path, s);
  return s;
}

TE2eTest::TStarted TE2eTest::Start(const std::string& exe, const std::vector<std::string>& args,
                                   long long fileSizeLimit) {
  static int n = 0;
  TStarted started;
  started.base = Root + "run" + std::to_string(++n);
  int out = open((started.base + ".out").c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
  int err = open((started.base + ".err").c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
  started.pid = Spawn(exe, args, Env, out, err, fileSizeLimit, Unset, RunAsUid);
  close(out);
  close(err);
  return started;
}

TE2eTest::TStarted TE2eTest::StartZorvan(const std::vector<std::string>& params) {
  return Start(ZV_ZORVAN32, params, FileSizeLimit);
}

TRunResult TE2eTest::Run(const std::string& exe, const std::vector<std::string>& args,
                         double timeoutSeconds, long long fileSizeLimit,
                         const std::function<bool()>& killWhen) {
  return Wait(Start(exe, args, fileSizeLimit), timeoutSeconds, killWhen);
}

TRunResult TE2eTest::Wait(const TStarted& started, double timeoutSeconds,
                          const std::function<bool()>& killWhen) {
  const pid_t pid = started.pid;
  const std::string& base = started.base;
  auto start = std::chrono::steady_clock::now();
  TRunResult r;
  int status = 0;
  for (;;) {
    pid_t w = waitpid(pid, &status, WNOHANG);
    if (w == pid) break;
    double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    bool condition = killWhen && killWhen();
    if (t > timeoutSeconds || condition) {
      kill(-pid, SIGKILL);
      waitpid(pid, &status, 0);
      r.timedOut = !condition;
      r.killed = condition;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(killWhen ? 1 : 20));
  }
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!r.timedOut && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  r.out = ReadFile(base + ".out");
  r.err = ReadFile(base + ".err");
  return r;
}

TRunResult TE2eTest::RunZorvan(const std::vector<std::string>& params, int timeoutSeconds,
                               const std::string& exe) {
  return Run(exe, params, timeoutSeconds, FileSizeLimit);
}

TRunResult TE2eTest::RunZorvanUntil(const std::vector<std::string>& params,
                                    const std::function<bool()>& killWhen, double timeoutSeconds) {
  return Run(ZV_ZORVAN32, params, timeoutSeconds, FileSizeLimit, killWhen);
}

TRunResult TE2eTest::RunZorvanUntilPunchLogHolds(const std::vector<std::string>& params,
                                                  long long bytes) {
  return RunZorvanUntil(params, [&] {
    std::string punches;
    ReadWholeFile(Data + "Punch.Log", punches);
    return static_cast<long long>(punches.size()) >= bytes;
  });
}

std::vector<std::string> TE2eTest::CommandLineLogNames() const {
  std::vector<std::string> names;
  DIR* d = opendir(Data.c_str());
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    // yyyymmdd-hhnnss.log, or yyyymmdd-hhnnss-N.log for a second run in the same second
    if (n.size() >= 19 && n[8] == '-' && n.substr(n.size() - 4) == ".log" &&
        (n.size() == 19 || n[15] == '-'))
      names.push_back(n);
  }
  closedir(d);
  return names;
}

std::string TE2eTest::CommandLineLog() const {
  auto names = CommandLineLogNames();
  return names.size() == 1 ? ReadFile(Data + names[0]) : std::string();
}

std::string TE2eTest::EmulatorPath() {
  std::string p = std::string(ZV_APP_DIR) + "/rdremu";
  return FileExists(p) ? p : std::string();
}

bool TE2eTest::EmulatorOffers(const std::string& text) {
  if (emuHelp_.empty()) {
    TRunResult r = Emu({"--help"});
    emuHelp_ = r.out + r.err + " ";
  }
  return emuHelp_.find(text) != std::string::npos;
}

TRunResult TE2eTest::Emu(const std::vector<std::string>& args, int timeoutSeconds) {
  return Run(EmulatorPath(), args, timeoutSeconds);
}

bool TE2eTest::StartEmulator(const std::vector<std::string>& extra) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  int err = open((Root + "emu.err").c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
  std::vector<std::string> args{"serve", State};
  args.insert(args.end(), extra.begin(), extra.end());
  emuPid_ = Spawn(EmulatorPath(), args, Env, fds[1], err);
  close(fds[1]);
  close(err);
  emuOut_ = fds[0];
  std::string got;
  auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
    pollfd p{emuOut_, POLLIN, 0};
    if (poll(&p, 1, 100) > 0) {
      char buf[256];
      ssize_t n = read(emuOut_, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<std::size_t>(n));
      if (got.find("ready") != std::string::npos) return true;
    }
  }
  ADD_FAILURE() << "emulator not ready: " << got << ReadFile(Root + "emu.err");
  return false;
}

void TE2eTest::StopEmulator() {
  if (emuPid_ > 0) {
    kill(emuPid_, SIGTERM);
    int status;
    for (int i = 0; i < 250; ++i) {
      if (waitpid(emuPid_, &status, WNOHANG) == emuPid_) {
        emuPid_ = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (emuPid_ > 0) {
      kill(emuPid_, SIGKILL);
      waitpid(emuPid_, &status, 0);
      emuPid_ = -1;
    }
  }
  if (emuOut_ >= 0) {
    close(emuOut_);
    emuOut_ = -1;
  }
}

}  // namespace zv::e2e
