#include "util/fileio.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <dirent.h>
#include <sys/stat.h>

#include "util/testsupport.h"

namespace zv {
using testing::ReadFile;
using testing::TTempDir;
using testing::WriteFile;

TEST(FileIoTest, ReadTellsMissingFromUnreadable) {
  TTempDir t;
  std::string out;
  EXPECT_EQ(ReadWholeFile(t.file("none"), out), TReadResult::CannotOpen);
  EXPECT_EQ(ReadWholeFile(t.path(), out), TReadResult::ReadError);  // a directory
  WriteFile(t.file("a"), std::string("x\0y", 3));
  EXPECT_EQ(ReadWholeFile(t.file("a"), out), TReadResult::Ok);
  EXPECT_EQ(out, std::string("x\0y", 3));
}

TEST(FileIoTest, AtomicWriteReplacesAndKeepsPermissions) {
  TTempDir t;
  std::string f = t.file("site.txt");
  WriteFile(f, "old");
  ASSERT_EQ(chmod(f.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomic(f, "new content"));
  EXPECT_EQ(ReadFile(f), "new content");
  struct stat st;
  ASSERT_EQ(stat(f.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(FileIoTest, AtomicWriteIntoMissingDirectoryFails) {
  TTempDir t;
  std::string err;
  EXPECT_FALSE(WriteFileAtomic(t.file("no/such/dir/x"), "abc", &err));
  EXPECT_FALSE(err.empty());
}

// A full disk: the file-size limit makes the write fail part way, as ENOSPC would.
TEST(FileIoTest, FailedWriteLeavesTheOldFileWholeAndNoLitter) {
  TTempDir t;
  std::string f = t.file("user.txt");
  WriteFile(f, "the old file");
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  bool ok = WriteFileAtomic(f, std::string(100000, 'x'));
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_FALSE(ok);
  EXPECT_EQ(ReadFile(f), "the old file");
  int entries = 0;
  DIR* d = opendir(t.path().c_str());
  while (dirent* e = readdir(d))
    if (e->d_name[0] != '.' || std::string(e->d_name).rfind(".zvtmp", 0) == 0) ++entries;
  closedir(d);
  EXPECT_EQ(entries, 1);  // only user.txt: the temporary file was removed
}

TEST(FileIoTest, FindFileIgnoreCasePrefersTheExactName) {
  TTempDir t;
  WriteFile(t.file("Punch.Log"), "p");
  EXPECT_EQ(FindFileIgnoreCase(t.dir(), "punch.log"), t.dir() + "Punch.Log");
  WriteFile(t.file("punch.log"), "q");
  EXPECT_EQ(FindFileIgnoreCase(t.dir(), "punch.log"), t.dir() + "punch.log");
  EXPECT_EQ(FindFileIgnoreCase(t.dir(), "none.bin"), t.dir() + "none.bin");
}

TEST(FileIoTest, ForceDirectoriesMakesParents) {
  TTempDir t;
  EXPECT_TRUE(ForceDirectories(t.file("a/b/c/")));
  EXPECT_TRUE(DirectoryExists(t.file("a/b/c")));
  EXPECT_FALSE(FileExists(t.file("a")));
}

}  // namespace zv
