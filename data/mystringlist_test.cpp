#include "data/mystringlist.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "util/testsupport.h"
#include "util/text.h"

namespace zv {
using testing::ReadFile;
using testing::TTempDir;
using testing::WriteFile;

namespace {

struct TPair : TRecord {
  std::string a, b;
};

// A two-field table in the manner of the data files: "a, b" with a right-aligned to 4.
class TPairList : public TMyStringList {
 public:
  explicit TPairList(const std::string& f) : TMyStringList(f) { Load(); }
  ~TPairList() override { SaveIfModified(); }
  void HandleEFOpenError() override {
    Add(".Pair file");
    Add(". A,    B");
    TMyStringList::HandleEFOpenError();
  }
  std::unique_ptr<TRecord> ObjFromStr(const std::string& s) override {
    auto p = std::make_unique<TPair>();
    p->a = TableField(1, s, ",");
    p->b = TableField(2, s, ",");
    return p;
  }
  std::string StrFromObj(const TRecord& r) override {
    const auto& p = static_cast<const TPair&>(r);
    return PadLeft(p.a, 4) + ", " + p.b;
  }
  const TPair* At(int i) const { return static_cast<const TPair*>(Objects(i)); }
};

}  // namespace

TEST(SplitTextLinesTest, AcceptsEveryLineEndAndStopsAtNul) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitTextLines("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitTextLines("a\r\n\r\nb\r\n"), (V{"a", "", "b"}));
  EXPECT_EQ(SplitTextLines("a\n\rb"), (V{"a", "", "b"}));  // LF then CR: two line ends
  EXPECT_EQ(SplitTextLines(std::string("a\r\nb\0c\r\nd", 9)), (V{"a", "b"}));
  EXPECT_EQ(SplitTextLines(""), V{});
  // A UTF-8 byte-order mark from another system's editor is not text; only at the very start.
  EXPECT_EQ(SplitTextLines("\xEF\xBB\xBF.head\r\n13, x"), (V{".head", "13, x"}));
  EXPECT_EQ(SplitTextLines("\xEF\xBB\xBF"), V{});
  EXPECT_EQ(SplitTextLines("\xEF\xBB\xBF\xEF\xBB\xBF.head\r\n13, x"), (V{".head", "13, x"}));
  EXPECT_EQ(SplitTextLines("\xEF\xBB"), V{"\xEF\xBB"});
  EXPECT_EQ(SplitTextLines("a\r\n\xEF\xBB\xBF"), (V{"a", "\xEF\xBB\xBF"}));
}

TEST(MyStringListTest, AByteOrderMarkIsReadAsIfItWereNotThereAndNotWrittenBack) {
  TTempDir t;
  WriteFile(t.file("p.txt"), "\xEF\xBB\xBF.Pair file\r\n  13, x\r\n");
  TPairList l(t.file("p.txt"));
  EXPECT_EQ(l.Objects(0), nullptr);  // the header stays a header
  ASSERT_NE(l.At(1), nullptr);
  EXPECT_EQ(l.At(1)->a, "13");
  ASSERT_TRUE(l.Save());
  EXPECT_EQ(ReadFile(t.file("p.txt")), ".Pair file\r\n  13, x\r\n");
}

TEST(MyStringListTest, MissingFileIsCreatedWithExactlyItsHeaderLines) {
  TTempDir t;
  {
    TPairList l(t.file("p.txt"));
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(l.Objects(0), nullptr);
    EXPECT_FALSE(l.Modified);
  }
  EXPECT_EQ(ReadFile(t.file("p.txt")), ".Pair file\r\n. A,    B\r\n");
  TPairList again(t.file("p.txt"));
  EXPECT_EQ(again.Objects(0), nullptr);
  EXPECT_EQ(again.Objects(1), nullptr);
}

TEST(MyStringListTest, CommentsStayInPlaceAndDataLinesAreRewritten) {
  TTempDir t;
  std::string longLine = "1," + std::string(298, 'y');
  WriteFile(t.file("p.txt"),
            ".head\r\n"
            "   .indented comment\r\n"
            " \t \r\n"
            "\r\n"
            "\t7,  x  \n"
            ".tab\tin\tcomment, with, commas\r" +
                longLine + "\r\n");
  TPairList l(t.file("p.txt"));
  ASSERT_EQ(l.Count(), 7);
  for (int i : {0, 1, 2, 3, 5}) EXPECT_EQ(l.Objects(i), nullptr) << i;
  EXPECT_EQ(l.At(4)->a, "7");
  EXPECT_EQ(l.At(4)->b, "x");
  EXPECT_EQ(l.At(6)->b, std::string(253, 'y'));  // parsing reads the first 255 characters
  EXPECT_EQ(l.Strings(6), longLine);             // the line itself is whole until saved
  ASSERT_TRUE(l.Save());
  EXPECT_EQ(ReadFile(t.file("p.txt")),
            ".head\r\n   .indented comment\r\n \t \r\n\r\n   7, x\r\n.tab\tin\tcomment, with, commas\r\n"
            "   1, " + std::string(253, 'y') + "\r\n");
}

TEST(MyStringListTest, BinaryBytesSurviveALoadAndSave) {
  TTempDir t;
  std::string odd = "\x01\x7f\xe9\xff";
  WriteFile(t.file("p.txt"), ".c " + odd + "\r\n" + odd + ",b\r\n");
  TPairList l(t.file("p.txt"));
  EXPECT_EQ(l.At(1)->a, "\x7f\xe9\xff");  // the leading control byte is a blank
  ASSERT_TRUE(l.Save());
  EXPECT_EQ(ReadFile(t.file("p.txt")), ".c " + odd + "\r\n \x7f\xe9\xff, b\r\n");
}

TEST(MyStringListTest, DestroyingSavesOnlyPendingChanges) {
  TTempDir t;
  WriteFile(t.file("p.txt"), "1,a\n");
  { TPairList l(t.file("p.txt")); }
  EXPECT_EQ(ReadFile(t.file("p.txt")), "1,a\n");  // untouched
  {
    TPairList l(t.file("p.txt"));
    auto p = std::make_unique<TPair>();
    p->a = "2";
    p->b = "b";
    l.AddObject("", std::move(p));
    EXPECT_TRUE(l.Modified);
  }
  EXPECT_EQ(ReadFile(t.file("p.txt")), "   1, a\r\n   2, b\r\n");
}

// An existing file that cannot be read is not a missing one: the constructor fails with the
// file and the system's reason, and the file is neither replaced nor waited on.
TEST(MyStringListTest, AFileThatCannotBeReadFailsTheConstructorWithItsReason) {
  TTempDir t;
  ASSERT_EQ(mkdir(t.file("dir.txt").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo(t.file("fifo.txt").c_str(), 0644), 0);  // would block a plain open
  std::vector<std::pair<std::string, std::string>> cases = {
      {"dir.txt", "Is a directory"}, {"fifo.txt", "not a regular file"}};
  if (geteuid() != 0) {
    WriteFile(t.file("p.txt"), "1,a\r\n");
    ASSERT_EQ(chmod(t.file("p.txt").c_str(), 0), 0);
    cases.push_back({"p.txt", "Permission denied"});
  }
  for (const auto& [name, reason] : cases) {
    try {
      TPairList l(t.file(name));
      ADD_FAILURE() << name << " loaded";
    } catch (const EZvUnreadableFile& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot read " + t.file(name) + ": " + reason);
    }
  }
  chmod(t.file("p.txt").c_str(), 0644);
  if (geteuid() != 0) {
    EXPECT_EQ(ReadFile(t.file("p.txt")), "1,a\r\n");
  }
}

// A NUL ends the text that is read. Saving that text over the file would cut off the lines
// after it: every way of saving is refused, the old file stays byte for byte, and what was
// added meanwhile is appended once to the side file named in the reason.
TEST(MyStringListTest, AListReadShortIsNeverSavedOverItsFile) {
  TTempDir t;
  const std::string path = t.file("p.txt");
  const std::string bytes = std::string(".head\r\n1,a\r\n2,b\0\0\0,c\r\n3,c\r\n", 27);
  WriteFile(path, bytes);
  {
    TPairList l(path);
    EXPECT_EQ(l.ReadShort(), "read only up to a NUL byte in line 3 (byte offset 15 of 27)");
    EXPECT_EQ(l.Count(), 3);
    auto p = std::make_unique<TPair>();
    p->a = "9";
    p->b = "new";
    l.AddObject("", std::move(p));
    EXPECT_FALSE(l.Save());
    EXPECT_EQ(l.LastError(), "read only up to a NUL byte in line 3 (byte offset 15 of 27), not "
                             "saved over so as not to cut off the rest; 1 record added since "
                             "are kept in " + path + ".added");
    EXPECT_FALSE(l.Save());  // again: the side file does not get it twice
    EXPECT_TRUE(l.Modified);
  }  // and the destructor's save is refused too
  EXPECT_EQ(ReadFile(path), bytes);
  EXPECT_EQ(ReadFile(path + ".added"), "   9, new\r\n");
  {
    TPairList again(path);  // a later run adds to the side file, never replaces it
    auto p = std::make_unique<TPair>();
    p->a = "10";
    again.AddObject("", std::move(p));
  }
  EXPECT_EQ(ReadFile(path + ".added"), "   9, new\r\n  10, \r\n");
  EXPECT_EQ(ReadFile(path), bytes);

  // Only NULs and blanks after the NUL (the zeros a power cut leaves): nothing is cut off.
  WriteFile(path, std::string("1,a\r\n\0\0 \r\n\0", 11));
  TPairList tail(path);
  EXPECT_EQ(tail.ReadShort(), "");
  EXPECT_TRUE(tail.Save());
  EXPECT_EQ(ReadFile(path), "   1, a\r\n");
}

TEST(MyStringListTest, AMissingDirectoryFailsTheConstructor) {
  TTempDir t;
  EXPECT_THROW(TPairList l(t.file("none/p.txt")), EZvFileError);
}

TEST(MyStringListTest, AFailedSaveIsReportedAndKeepsTheOldFile) {
  TTempDir t;
  std::string dir = t.file("d");
  ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
  WriteFile(dir + "/p.txt", "1,a\r\n");
  auto l = std::make_unique<TPairList>(dir + "/p.txt");
  auto p = std::make_unique<TPair>();
  p->a = "2";
  l->AddObject("", std::move(p));
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);  // read-only directory
    EXPECT_FALSE(l->Save());
    EXPECT_TRUE(l->Modified);
    EXPECT_FALSE(l->LastError().empty());
    EXPECT_EQ(ReadFile(dir + "/p.txt"), "1,a\r\n");
    chmod(dir.c_str(), 0755);
  }
  // The directory gone entirely: the save fails, and so does the destructor's, quietly.
  ASSERT_EQ(rename(dir.c_str(), t.file("moved").c_str()), 0);
  EXPECT_FALSE(l->Save());
  EXPECT_TRUE(l->Modified);
  l.reset();
  EXPECT_EQ(ReadFile(t.file("moved/p.txt")), "1,a\r\n");
}

// While another program holds the data directory, a save is refused and keeps its changes;
// a list tells when another program saved its file, so that it can be read again first.
TEST(MyStringListTest, ASaveWaitsForTheDataDirectoryAndAChangeOnDiskIsSeen) {
  TTempDir t;
  WriteFile(t.file("p.txt"), "1,a\r\n");
  TPairList mine(t.file("p.txt"));
  mine.SetString(0, "2,b");
  mine.Modified = true;
  SetSaveLockWaitMs(100);
  pid_t holder = testing::HoldDataLockInChild(t.dir(), 0);
  ASSERT_GT(holder, 0);
  EXPECT_FALSE(mine.Save());
  EXPECT_TRUE(mine.Modified);
  EXPECT_EQ(mine.LastError(),
            "the data directory " + t.dir() + " is in use by pid " + std::to_string(holder) +
                " (user " + std::string(getpwuid(geteuid()) ? getpwuid(geteuid())->pw_name : "") +
                ")");
  EXPECT_EQ(ReadFile(t.file("p.txt")), "1,a\r\n");
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  SetSaveLockWaitMs(2000);

  EXPECT_FALSE(mine.ChangedOnDisk());
  {
    TPairList theirs(t.file("p.txt"));
    theirs.SetString(0, "3,c");
    ASSERT_TRUE(theirs.Save());
  }
  EXPECT_TRUE(mine.ChangedOnDisk());
  ASSERT_TRUE(mine.Save());
  EXPECT_FALSE(mine.ChangedOnDisk());
}

// Two programs appending to one log at once, neither taking the lock: every line is there,
// whole, however their writes fall.
TEST(MyFileStreamTest, TwoProgramsAppendingAtOnceLoseNoLine) {
  TTempDir t;
  const int kLines = 20000;
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  pid_t kids[2];
  for (int k = 0; k < 2; ++k) {
    kids[k] = fork();
    if (kids[k] == 0) {
      TMyFileStream s(t.file("Punch.Log"));
      char c;
      close(go[1]);
      if (read(go[0], &c, 1) != 0) _exit(2);  // both start when the pipe closes
      for (int i = 0; i < kLines; ++i)
        if (!s.WriteLine(std::to_string(k) + " line " + std::to_string(i))) _exit(1);
      _exit(0);
    }
  }
  close(go[0]);
  close(go[1]);
  for (pid_t kid : kids) {
    int status = -1;
    waitpid(kid, &status, 0);
    EXPECT_EQ(status, 0);
  }
  std::string text = ReadFile(t.file("Punch.Log"));
  std::set<std::string> lines;
  std::size_t at = 0, end;
  while ((end = text.find("\r\n", at)) != std::string::npos) {
    lines.insert(text.substr(at, end - at));
    at = end + 2;
  }
  EXPECT_EQ(at, text.size());
  EXPECT_EQ(lines.size(), 2u * kLines);
  EXPECT_TRUE(lines.count("0 line 0") && lines.count("1 line " + std::to_string(kLines - 1)));
}

TEST(MyFileStreamTest, CreatesMissingFileAndAppendsAfterTheLastByte) {
  TTempDir t;
  {
    TMyFileStream s(t.file("Sys.Log"));
    EXPECT_EQ(s.Size(), 0);
    EXPECT_TRUE(s.WriteLine("one"));
    s.Seek(0, SEEK_SET);
    EXPECT_TRUE(s.WriteLine("two"));
  }
  EXPECT_EQ(ReadFile(t.file("Sys.Log")), "one\r\ntwo\r\n");
  TMyFileStream s(t.file("Sys.Log"));
  char buf[3];
  EXPECT_EQ(s.Read(buf, 3), 3);
  EXPECT_EQ(std::string(buf, 3), "one");
}

// A last line cut short (a power cut during a write) is ended before the next line, so
// that the two never run together; a file already ending its lines is left as it is.
TEST(MyFileStreamTest, NextLineStartsOnALineOfItsOwn) {
  const struct {
    const char* before;
    const char* after;
  } cases[] = {{"", "x\r\n"},
               {"a\r\n", "a\r\nx\r\n"},
               {"a\n", "a\nx\r\n"},
               {"a", "a\r\nx\r\n"},
               {"a\r", "a\r\nx\r\n"}};
  TTempDir t;
  for (const auto& c : cases) {
    WriteFile(t.file("Punch.Log"), c.before);
    TMyFileStream s(t.file("Punch.Log"));
    EXPECT_TRUE(s.EndLastLine());
    EXPECT_TRUE(s.WriteLine("x"));
    EXPECT_TRUE(s.Sync());
    EXPECT_EQ(ReadFile(t.file("Punch.Log")), c.after) << c.before;
  }
}

TEST(MyFileStreamTest, UncreatableFileRaisesItsMessage) {
  TTempDir t;
  try {
    TMyFileStream s(t.file("none/Error.Log"));
    FAIL() << "no error raised";
  } catch (const EZvFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to create file " + t.file("none/Error.Log"));
  }
}

TEST(CreateFileIfMissingTest, CreatesEmptyOrLeavesAlone) {
  TTempDir t;
  EXPECT_TRUE(CreateFileIfMissing(t.file("trans.dat")));
  EXPECT_EQ(ReadFile(t.file("trans.dat")), "");
  WriteFile(t.file("trans.dat"), "keep");
  EXPECT_TRUE(CreateFileIfMissing(t.file("trans.dat")));
  EXPECT_EQ(ReadFile(t.file("trans.dat")), "keep");
  EXPECT_FALSE(CreateFileIfMissing(t.file("none/user.dat")));
}

}  // namespace zv
