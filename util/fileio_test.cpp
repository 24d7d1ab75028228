#include "util/fileio.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <grp.h>
#include <unistd.h>

#include <functional>

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

// Runs `fn` as user and group 65534 in a child when we are root (who may write anywhere, so a
// closed directory would prove nothing), else here. True when `fn` answered true.
bool AsOrdinaryUser(const std::function<bool()>& fn) {
  if (getuid() != 0) return fn();
  pid_t pid = fork();
  if (pid == 0) {
    bool ok = setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0 && fn();
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

ino_t Inode(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// What the administrator set up around a data file survives a save: links, the mode, the
// owner, a directory closed to the program.
TEST(FileIoTest, SavesKeepLinksModesOwnersAndWriteInPlaceWhereTheyMust) {
  TTempDir t;
  ASSERT_EQ(chmod(t.path().c_str(), 0755), 0);
  const std::string data = t.file("data/"), shared = t.file("shared/");
  ASSERT_TRUE(ForceDirectories(data) && ForceDirectories(shared));
  struct TCase {
    const char* what;
    std::function<void()> prepare;  // sets up data + "user.txt"
    std::string saved;               // the name the program saves to
    std::string written;             // where the new bytes must end up
    bool inPlace;                    // the same file (inode) afterwards
  };
  const std::string name = data + "user.txt";
  const TCase cases[] = {
      {"relative symbolic link",
       [&] {
         WriteFile(shared + "users", "old");
         chmod((shared + "users").c_str(), 0640);
         EXPECT_EQ(0, symlink("../shared/users", name.c_str()));
       },
       name, shared + "users", false},
      {"link to a link to a file that is not there yet",
       [&] {
         EXPECT_EQ(0, symlink(name.c_str(), (data + "chain").c_str()));
         EXPECT_EQ(0, symlink((shared + "new").c_str(), name.c_str()));
       },
       data + "chain", shared + "new", false},
      {"hard link: every name sees the change",
       [&] {
         WriteFile(shared + "hard", "old old old old");
         EXPECT_EQ(0, link((shared + "hard").c_str(), name.c_str()));
       },
       name, shared + "hard", true},
  };
  for (const TCase& c : cases) {
    unlink(name.c_str());
    unlink((data + "chain").c_str());
    c.prepare();
    ino_t before = Inode(c.written);
    std::string err;
    ASSERT_TRUE(WriteFileAtomic(c.saved, "new", &err)) << c.what << ": " << err;
    EXPECT_EQ(ReadFile(c.written), "new") << c.what;
    EXPECT_EQ(ReadFile(name), "new") << c.what;
    struct stat st;
    ASSERT_EQ(lstat(name.c_str(), &st), 0);
    EXPECT_EQ(S_ISLNK(st.st_mode), !c.inPlace) << c.what;  // the links stay links
    if (c.inPlace) {
      EXPECT_EQ(Inode(c.written), before) << c.what;
    }
  }
  struct stat st;
  ASSERT_EQ(stat((shared + "users").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);  // the link's target kept its mode

  // Owner and group, where the process may set them (root may).
  if (getuid() == 0) {
    std::string f = data + "owned";
    WriteFile(f, "old");
    ASSERT_EQ(chown(f.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(WriteFileAtomic(f, "new"));
    ASSERT_EQ(stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
  }

  // A directory the program may not write, with a file it may: written in place. A file it
  // may not write either: refused, untouched.
  std::string closed = t.file("closed/");
  ASSERT_TRUE(ForceDirectories(closed));
  WriteFile(closed + "site.txt", "old site file, longer than the new one");
  WriteFile(closed + "clock.txt", "old");
  if (getuid() == 0) {
    ASSERT_EQ(chown((closed + "site.txt").c_str(), 65534, 65534), 0);
  } else {
    ASSERT_EQ(chmod((closed + "clock.txt").c_str(), 0444), 0);
  }
  ASSERT_EQ(chmod(closed.c_str(), 0555), 0);
  ino_t before = Inode(closed + "site.txt");
  EXPECT_TRUE(AsOrdinaryUser([&] { return WriteFileAtomic(closed + "site.txt", "new"); }));
  EXPECT_EQ(ReadFile(closed + "site.txt"), "new");
  EXPECT_EQ(Inode(closed + "site.txt"), before);
  EXPECT_TRUE(AsOrdinaryUser([&] { return !WriteFileAtomic(closed + "clock.txt", "new"); }));
  EXPECT_EQ(ReadFile(closed + "clock.txt"), "old");
  chmod(closed.c_str(), 0755);
}

TEST(FileIoTest, FindFileIgnoreCasePrefersTheExactName) {
  TTempDir t;
  WriteFile(t.file("Punch.Log"), "p");
  EXPECT_EQ(FindFileIgnoreCase(t.dir(), "punch.log"), t.dir() + "Punch.Log");
  WriteFile(t.file("punch.log"), "q");
  EXPECT_EQ(FindFileIgnoreCase(t.dir(), "punch.log"), t.dir() + "punch.log");
  EXPECT_EQ(FindFileIgnoreCase(t.dir(), "none.bin"), t.dir() + "none.bin");
  // Two names that differ only in case and no exact one: the caller that asks is told.
  WriteFile(t.file("Menu.bin"), "1");
  WriteFile(t.file("MENU.BIN"), "2");
  bool ambiguous = false;
  EXPECT_EQ(FindFileIgnoreCase(t.dir(), "menu.bin", &ambiguous), t.dir() + "menu.bin");
  EXPECT_TRUE(ambiguous);
  EXPECT_EQ(FindFileIgnoreCase(t.dir(), "Menu.bin", &ambiguous), t.dir() + "Menu.bin");
  EXPECT_FALSE(ambiguous);
}

TEST(FileIoTest, ForceDirectoriesMakesParents) {
  TTempDir t;
  EXPECT_TRUE(ForceDirectories(t.file("a/b/c/")));
  EXPECT_TRUE(DirectoryExists(t.file("a/b/c")));
  EXPECT_FALSE(FileExists(t.file("a")));
}

}  // namespace zv
