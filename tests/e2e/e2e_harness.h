// The end-to-end harness: a private tree per test (XDG directories, data directory, serial
// ports that do not exist), the emulator rdremu serving it, and zorvan32 run offscreen with
// parameters, bounded in time.
#pragma once
#include <gtest/gtest.h>

#include <sys/types.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace zv::e2e {

struct TRunResult {
  int exitCode = -1;
  bool timedOut = false;
  bool killed = false;  // by the condition of RunZorvanUntil
  std::string out, err;
  double seconds = 0;
};

class TE2eTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // zv settings: data directory, pause, log switch.
  void WriteSettings(int interCommandDelay = 1, bool saveCommandLineLog = true);
  // Lines after the header lines of site.txt / clock.txt.
  void WriteSites(const std::vector<std::string>& lines);
  void WriteClocks(const std::vector<std::string>& lines);
  void WriteFile(const std::string& path, const std::string& bytes);
  std::string ReadFile(const std::string& path) const;

  // Runs zorvan32 (or the given copy of it) with the parameters; killed after the timeout.
  TRunResult RunZorvan(const std::vector<std::string>& params, int timeoutSeconds = 40,
                       const std::string& exe = ZV_ZORVAN32);
  // The same in two steps, for runs side by side.
  struct TStarted {
    pid_t pid = -1;
    std::string base;
  };
  TStarted StartZorvan(const std::vector<std::string>& params);
  TRunResult Wait(const TStarted& started, double timeoutSeconds = 40,
                  const std::function<bool()>& killWhen = nullptr);
  TStarted Start(const std::string& exe, const std::vector<std::string>& args,
                 long long fileSizeLimit = 0);
  // Runs zorvan32 and kills it (SIGKILL) as soon as `killWhen` answers true.
  TRunResult RunZorvanUntil(const std::vector<std::string>& params,
                            const std::function<bool()>& killWhen, double timeoutSeconds = 60);
  // The same, killed once Punch.Log holds at least `bytes` bytes: a moment inside a poll,
  // however fast the disk is.
  TRunResult RunZorvanUntilPunchLogHolds(const std::vector<std::string>& params, long long bytes);
  // The one command-line log file "yyyymmdd-hhnnss.log" of the data directory ("" if none).
  std::string CommandLineLog() const;
  std::vector<std::string> CommandLineLogNames() const;
  std::string ErrorLog() const { return ReadFile(Data + "Error.Log"); }
  // The user of every punch in Punch.Log is in user.txt (or, with pendingToo, among the users
  // a poll saw and has not kept yet: users.pending).
  void ExpectPunchersKept(bool pendingToo) const;
  std::string SysLog() const { return ReadFile(Data + "Sys.Log"); }

  // The emulator: its program (empty when not built), a verb run to its end, and serving.
  static std::string EmulatorPath();
  bool HaveEmulator() const { return !EmulatorPath().empty(); }
  // True when the emulator's help names the text (a verb or option it offers).
  bool EmulatorOffers(const std::string& text);
  TRunResult Emu(const std::vector<std::string>& args, int timeoutSeconds = 20);
  // Starts `rdremu serve STATE` and waits for its ready line; false when it did not come.
  bool StartEmulator(const std::vector<std::string>& extra = {});
  void StopEmulator();

  // rdremu verbs that build the emulated installation; a failure fails the test.
  void Emulate(const std::vector<std::string>& args);
  void AddTcpSite(const std::string& site, const std::string& addr);
  void AddReader(const std::string& site, int address, int model, int memory);
  void SetOffline(const std::string& site, int address);

  std::string Root, Data, State;
  std::map<std::string, std::string> Env;
  // When not 0, zorvan32 runs with this file size limit (RLIMIT_FSIZE): a full disk.
  long long FileSizeLimit = 0;
  // Variables the started programs do not get at all (DISPLAY, ...).
  std::vector<std::string> Unset;
  // The user and group id the next programs run as (-1: this process's); needs root.
  int RunAsUid = -1;

 private:
  TRunResult Run(const std::string& exe, const std::vector<std::string>& args,
                 double timeoutSeconds, long long fileSizeLimit = 0,
                 const std::function<bool()>& killWhen = nullptr);
  pid_t emuPid_ = -1;
  int emuOut_ = -1;
  std::string emuHelp_;
};

// A loopback address of this test process alone (ctest runs each test in its own process).
std::string Addr(int k);
// A site line: site, port, baud, init, dial, phone, tza, ipaddress, description.
std::string NetSite(const std::string& site, const std::string& ip);

// Lines of a text with CR LF or LF ends.
std::vector<std::string> Lines(const std::string& text);

// The name of today's log, "yyyymmdd.log".
std::string DayLogName();

// The user numbers of the lines of a file whose field `field` (from 0) holds one, as numbers;
// header lines (".") left out.
std::set<long long> UsersIn(const std::string& text, int field, char sep = ',');

}  // namespace zv::e2e
