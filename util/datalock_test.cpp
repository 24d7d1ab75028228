#include "util/datalock.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "util/testsupport.h"

namespace zv {
namespace {

using ::testing::HasSubstr;
using testing::HoldDataLockInChild;
using testing::ReadFile;
using testing::TTempDir;

std::string NameOf(uid_t uid) {
  passwd* pw = getpwuid(uid);
  return pw ? pw->pw_name : std::to_string(uid);
}

// Another process keeps others out, named in the refusal; a killed holder leaves nothing in
// the way; in one process the lock is taken again freely; a waiting taker gets it in turn.
TEST(DataLockTest, OneProgramAtATimeAndAKilledHolderNeverBlocks) {
  TTempDir t;
  pid_t holder = HoldDataLockInChild(t.dir(), 0);
  ASSERT_GT(holder, 0);
  {
    TDataLock refused(t.path(), 150);
    EXPECT_FALSE(refused.Held());
    EXPECT_EQ(refused.Refusal(), "the data directory " + t.dir() + " is in use by pid " +
                                     std::to_string(holder) + " (user " + NameOf(geteuid()) +
                                     ")");
  }
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  {
    TDataLock mine(t.dir(), 0);
    ASSERT_TRUE(mine.Held()) << mine.Refusal();
    TDataLock again(t.dir() + "./", 0);  // the same directory by another name
    EXPECT_TRUE(again.Held());
    EXPECT_EQ(ReadFile(t.file(kDataLockName)),
              std::to_string(getpid()) + " " + NameOf(geteuid()) + "\n");
  }
  EXPECT_EQ(ReadFile(t.file(kDataLockName)), "");  // a name left behind could mislead

  holder = HoldDataLockInChild(t.dir(), 300);
  ASSERT_GT(holder, 0);
  TDataLock waited(t.dir(), 20000);
  EXPECT_TRUE(waited.Held()) << waited.Refusal();
  waitpid(holder, nullptr, 0);
}

// The lock file can be taken by every user who may write the directory, whatever the umask of
// its creator; a lock file that is a link is never followed.
TEST(DataLockTest, EveryWriterOfTheDirectoryMayTakeItAndLinksAreNotFollowed) {
  TTempDir t;
  ASSERT_EQ(chmod(t.path().c_str(), 0755), 0);
  std::string dir = t.file("data");
  ASSERT_EQ(mkdir(dir.c_str(), 0777), 0);
  ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
  mode_t old = umask(077);
  { TDataLock mine(dir, 0); }
  umask(old);
  struct stat st;
  ASSERT_EQ(stat((dir + "/" + kDataLockName).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666u);
  if (geteuid() == 0) {
    const int other = 65534;
    pid_t holder = HoldDataLockInChild(dir, 0, other);
    ASSERT_GT(holder, 0) << "a second user could not take the lock file root made";
    TDataLock refused(dir, 0);
    EXPECT_THAT(refused.Refusal(), HasSubstr("(user " + NameOf(other) + ")"));
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
  }

  TTempDir u;
  testing::WriteFile(u.file("victim"), "keep");
  ASSERT_EQ(symlink(u.file("victim").c_str(), u.file(kDataLockName).c_str()), 0);
  TDataLock linked(u.dir(), 0);
  EXPECT_FALSE(linked.Held());
  EXPECT_THAT(linked.Refusal(), HasSubstr("cannot be used"));
  EXPECT_EQ(ReadFile(u.file("victim")), "keep");
}

}  // namespace
}  // namespace zv
