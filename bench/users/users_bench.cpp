// Times the users file at two sizes: writing a user.txt, loading it, saving it, and 100,000
// lookups by user number (half found without their leading zeros, a tenth not found), with
// the cost of one lookup by scanning the list for contrast.
// Usage: users_bench [directory]   (default: a new directory under /tmp, removed afterwards)
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "data/userlist.h"
#include "util/fileio.h"
#include "util/numbers.h"
#include "util/text.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// User n: even numbers written zero-filled to 10 digits, odd ones plain.
std::string IdOf(long n) {
  std::string id = std::to_string(1000000 + n * 7);
  return n % 2 == 0 ? zv::PadLeft(id, 10, '0') : id;
}

void Run(const std::string& dir, long users) {
  const std::string path = dir + "/user.txt";
  ::unlink(path.c_str());

  auto t0 = Clock::now();
  std::string text =
      ".ID          TZ   RejectOvr  Reserved  Authority  Comment\r\n"
      ".----------  ---  ---------  --------  ---------  -----------------\r\n";
  for (long n = 0; n < users; ++n)
    text += IdOf(n) + ", " + std::to_string(n % 62) + ", 0, , " + std::to_string(n % 6) +
            ", Employee " + std::to_string(n) + "\r\n";
  if (!zv::WriteFileAtomic(path, text)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  double buildMs = MsSince(t0);

  t0 = Clock::now();
  zv::TUserList list(path);
  double loadMs = MsSince(t0);

  t0 = Clock::now();
  list.FindUser("0");  // the index is built by the first lookup after a load
  double indexMs = MsSince(t0);

  std::mt19937 rng(42);
  std::vector<std::string> queries;
  const long lookups = 100000;
  queries.reserve(lookups);
  for (long i = 0; i < lookups; ++i) {
    long n = static_cast<long>(rng() % users);
    if (i % 10 == 0)
      queries.push_back("9" + std::to_string(n));  // not a user
    else
      queries.push_back(std::to_string(1000000 + n * 7));  // found exactly or without zeros
  }
  long found = 0;
  t0 = Clock::now();
  for (const auto& q : queries)
    if (list.FindUser(q)) ++found;
  double findMs = MsSince(t0);

  // For contrast, the rule applied by scanning the list, as without an index.
  const long scans = 200;
  long scanFound = 0;
  t0 = Clock::now();
  for (long i = 0; i < scans; ++i) {
    const std::string& q = queries[static_cast<std::size_t>(i)];
    for (int l = 0; l < list.Count(); ++l) {
      auto* u = static_cast<zv::TUser*>(list.Objects(l));
      if (u && (u->ID() == q || zv::NormalizeNumber(u->ID()) == q)) {
        ++scanFound;
        break;
      }
    }
  }
  double scanMs = MsSince(t0);

  // A save writes every line again, as after polling added users.
  list.Modified = true;
  t0 = Clock::now();
  bool saved = list.Save();
  double saveMs = MsSince(t0);

  // The same save where the administrator linked the file: through a symbolic link (replaced
  // in the target's directory), and with a second hard link (written in place).
  const std::string target = dir + "/users.target", hard = dir + "/users.hard";
  auto timedSave = [&](const std::string& name) {
    auto start = Clock::now();
    bool ok = zv::WriteFileAtomic(name, list.Text());
    return ok ? MsSince(start) : -1.0;
  };
  ::unlink(target.c_str());
  ::rename(path.c_str(), target.c_str());
  // Without the link the figure below would be a plain save's.
  if (::symlink(target.c_str(), path.c_str()) != 0) std::perror("users_bench: symlink");
  double linkMs = timedSave(path);
  ::unlink(path.c_str());
  ::rename(target.c_str(), path.c_str());
  ::unlink(hard.c_str());
  if (::link(path.c_str(), hard.c_str()) != 0) std::perror("users_bench: link");
  double hardMs = timedSave(path);
  ::unlink(hard.c_str());

  std::printf("%7ld users (%.1f MB): write file %7.1f ms | load %7.1f ms | first lookup (index) %6.1f ms"
              " | save %7.1f ms%s | through a link %7.1f ms | hard-linked, in place %7.1f ms\n",
              users, text.size() / 1e6, buildMs, loadMs, indexMs, saveMs, saved ? "" : " (FAILED)",
              linkMs, hardMs);
  std::printf("        %ld lookups: %7.1f ms, %.0f ns per lookup, %ld found"
              " | by scanning instead: %.0f ns per lookup\n",
              lookups, findMs, findMs * 1e6 / lookups, found, scanMs * 1e6 / scans);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir;
  bool own = argc < 2;
  if (own) {
    char tmpl[] = "/tmp/zvbench_XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    dir = tmpl;
  } else {
    dir = argv[1];
  }
  for (long n : {1000L, 100000L}) Run(dir, n);
  if (own) {
    ::unlink((dir + "/user.txt").c_str());
    ::rmdir(dir.c_str());
  }
  return 0;
}
