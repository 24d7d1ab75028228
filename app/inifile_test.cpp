// The settings file: reading the profile form as the administrator may have written it, and
// rewriting it without losing what else it holds.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <unistd.h>

#include <filesystem>

#include "app/inifile.h"
#include "util/fileio.h"

namespace zv {
namespace {

class IniFileTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name = "zorvan32.INI") {
    return tmp_.path().toStdString() + "/" + name;
  }
  std::string Read(const std::string& p) {
    std::string s;
    ReadWholeFile(p, s);
    return s;
  }
  QTemporaryDir tmp_;
};

TEST_F(IniFileTest, ReadsHandWrittenFileLoosely) {
  WriteFileAtomic(Path(), "; comment\n[other]\nDataPath=/wrong\n\n  [ zorvan32 ]  \r"
                          "  datapath =  /srv/Zorvan Data  \r\n"
                          "PunchPath=\"/srv/punch\"\nInterCommandDelay = 12\n"
                          "SaveCommandLineLog=yes\nbroken line\n");
  TIniFile ini(Path());
  EXPECT_EQ(ini.ReadString("Zorvan32", "DataPath", "x"), "/srv/Zorvan Data");
  EXPECT_EQ(ini.ReadString("Zorvan32", "PunchPath", "x"), "/srv/punch");
  EXPECT_EQ(ini.ReadInteger("Zorvan32", "InterCommandDelay", 2), 12);
  EXPECT_TRUE(ini.ReadBool("Zorvan32", "SaveCommandLineLog", true));   // not a number
  EXPECT_FALSE(ini.ReadBool("Zorvan32", "SaveCommandLineLog", false));
  EXPECT_EQ(ini.ReadString("Zorvan32", "Missing", "def"), "def");
  EXPECT_EQ(ini.ReadString("Nowhere", "DataPath", "def"), "def");
  EXPECT_TRUE(ini.ValueExists("ZORVAN32", "DATAPATH"));
}

TEST_F(IniFileTest, MissingFileReadsAsEmptyAndIsCreatedByTheFirstWrite) {
  std::string p = Path("sub/dir/zorvan32.INI");
  TIniFile ini(p);
  EXPECT_EQ(ini.ReadInteger("Zorvan32", "InterCommandDelay", 2), 2);
  EXPECT_FALSE(FileExists(p));
  EXPECT_TRUE(ini.WriteBool("Zorvan32", "SaveCommandLineLog", false));
  EXPECT_TRUE(ini.WriteInteger("Zorvan32", "InterCommandDelay", 5));
  EXPECT_EQ(Read(p), "[Zorvan32]\r\nSaveCommandLineLog=0\r\nInterCommandDelay=5\r\n");
  EXPECT_TRUE(ini.WriteBool("Zorvan32", "SaveCommandLineLog", true));
  EXPECT_EQ(Read(p), "[Zorvan32]\r\nSaveCommandLineLog=1\r\nInterCommandDelay=5\r\n");
}

TEST_F(IniFileTest, WritesKeepOtherSectionsCommentsAndOrder) {
  WriteFileAtomic(Path(), "; kept\r\n[Zorvan32]\r\nDataPath=/a\r\n\r\n[Other]\r\nKey=v\r\n");
  TIniFile ini(Path());
  ASSERT_TRUE(ini.WriteString("Zorvan32", "PunchPath", "/p"));
  ASSERT_TRUE(ini.WriteString("zorvan32", "datapath", "/b"));
  ASSERT_TRUE(ini.WriteString("New", "K", "1"));
  EXPECT_EQ(Read(Path()),
            "; kept\r\n[Zorvan32]\r\ndatapath=/b\r\nPunchPath=/p\r\n\r\n[Other]\r\nKey=v\r\n"
            "[New]\r\nK=1\r\n");
  // What was written reads back the same in a new object.
  TIniFile again(Path());
  EXPECT_EQ(again.ReadString("Zorvan32", "DataPath", ""), "/b");
}

TEST_F(IniFileTest, ValueCannotInjectAnotherKey) {
  TIniFile ini(Path());
  ASSERT_TRUE(ini.WriteString("Zorvan32", "DataPath", "/x\r\nInterCommandDelay=60"));
  TIniFile again(Path());
  EXPECT_FALSE(again.ValueExists("Zorvan32", "InterCommandDelay"));
  EXPECT_EQ(again.ReadString("Zorvan32", "DataPath", ""), "/xInterCommandDelay=60");
}

TEST_F(IniFileTest, FailedWriteIsReported) {
  // A plain file where the settings directory should be: no one, root included, can write.
  WriteFileAtomic(Path("notadir"), "x");
  TIniFile ini(Path("notadir/zorvan32.INI"));
  EXPECT_FALSE(ini.WriteString("Zorvan32", "DataPath", "/b"));
  EXPECT_FALSE(ini.LastError().empty());
  EXPECT_EQ(Read(Path("notadir")), "x");
  // The value is still what the program uses for the rest of the run.
  EXPECT_EQ(ini.ReadString("Zorvan32", "DataPath", ""), "/b");
}

TEST_F(IniFileTest, SettingsBehindASymbolicLinkAreWrittenThroughIt) {
  // Kept with the administrator's other files and linked into place: the link must survive.
  ASSERT_TRUE(WriteFileAtomic(Path("kept.ini"), "[Zorvan32]\r\nDataPath=/a\r\n"));
  ASSERT_EQ(symlink(Path("kept.ini").c_str(), Path().c_str()), 0);
  TIniFile ini(Path());
  ASSERT_TRUE(ini.WriteString("Zorvan32", "PunchPath", "/p"));
  EXPECT_TRUE(std::filesystem::is_symlink(Path()));
  EXPECT_EQ(Read(Path("kept.ini")), "[Zorvan32]\r\nDataPath=/a\r\nPunchPath=/p\r\n");
  // A link to a file not made yet: the first write creates it at the link's end.
  ASSERT_EQ(symlink(Path("later.ini").c_str(), Path("dangling.INI").c_str()), 0);
  TIniFile fresh(Path("dangling.INI"));
  ASSERT_TRUE(fresh.WriteString("Zorvan32", "DataPath", "/d"));
  EXPECT_TRUE(std::filesystem::is_symlink(Path("dangling.INI")));
  EXPECT_EQ(Read(Path("later.ini")), "[Zorvan32]\r\nDataPath=/d\r\n");
}

TEST_F(IniFileTest, WriteKeepsHandEditsMadeWhileRunning) {
  WriteFileAtomic(Path(), "[Zorvan32]\r\nInterCommandDelay=3\r\n");
  TIniFile ini(Path());
  WriteFileAtomic(Path(), "[Zorvan32]\r\nInterCommandDelay=3\r\nPunchPath=/by/hand\r\n");
  ASSERT_TRUE(ini.WriteInteger("Zorvan32", "InterCommandDelay", 9));
  EXPECT_EQ(Read(Path()), "[Zorvan32]\r\nInterCommandDelay=9\r\nPunchPath=/by/hand\r\n");
}

}  // namespace
}  // namespace zv
