// Elements written from several threads at once: each line whole, each thread's in its own
// order, syncs shared among the threads, and a failed write reported to its element only.
#include "reader/groupcommit.h"

#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "data/mystringlist.h"
#include "util/testsupport.h"

namespace zv {
namespace {

TEST(GroupCommit, ElementsOfSeveralThreadsStayWholeInOrderAndShareSyncs) {
  testing::TTempDir dir;
  TMyFileStream punches(dir.path() + "/Punch.Log"), trans(dir.path() + "/trans.dat");
  TGroupCommit commits;
  constexpr int kThreads = 8, kElements = 150;
  std::vector<int> failures(kThreads, 0);
  std::vector<std::string> failedFile(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kElements; ++i) {
        const std::string line = "thread " + std::to_string(t) + " element " + std::to_string(i) +
                                 std::string(40, 'x');
        // Thread 0's element 7 meets a file that is not open.
        TMyFileStream* second = t == 0 && i == 7 ? nullptr : &trans;
        std::string failed;
        bool ok = commits.Commit(
            [&](std::vector<TMyFileStream*>& written, std::string& why) {
              if (!punches.WriteLine(line)) return false;
              written.push_back(&punches);
              if (!second || !second->WriteLine(line)) {
                why = "not open";
                return false;
              }
              written.push_back(second);
              return true;
            },
            failed);
        if (!ok) {
          ++failures[t];
          failedFile[t] = failed;
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(1, failures[0]);
  EXPECT_EQ("not open", failedFile[0]);
  for (int t = 1; t < kThreads; ++t) EXPECT_EQ(0, failures[t]) << t;

  for (const std::string name : {"/Punch.Log", "/trans.dat"}) {
    std::istringstream in(testing::ReadFile(dir.path() + name));
    std::vector<int> next(kThreads, 0);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
      ++count;
      int t = -1, i = -1;
      ASSERT_EQ(2, std::sscanf(line.c_str(), "thread %d element %d", &t, &i)) << line;
      ASSERT_EQ(line, "thread " + std::to_string(t) + " element " + std::to_string(i) +
                          std::string(40, 'x') + "\r");
      if (name == "/trans.dat" && t == 0 && next[0] == 7) ++next[0];  // the failed one
      EXPECT_EQ(next[t]++, i) << "thread " << t << " out of order in " << name;
    }
    EXPECT_EQ(kThreads * kElements - (name == "/trans.dat" ? 1 : 0), count) << name;
  }
  // Some sync covered the elements of more than one thread.
  EXPECT_LT(commits.Rounds(), static_cast<std::uint64_t>(kThreads * kElements));
}

}  // namespace
}  // namespace zv
