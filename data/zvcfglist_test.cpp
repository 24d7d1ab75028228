#include "data/zvcfglist.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "util/testsupport.h"

namespace zv {
using testing::ReadFile;
using testing::TTempDir;
using testing::WriteFile;

namespace {

// Lines joined with CR LF, each one ended.
std::string Crlf(std::initializer_list<const char*> lines) {
  std::string s;
  for (const char* l : lines) s += std::string(l) + "\r\n";
  return s;
}

std::unique_ptr<TReaderConfig> Config(const char* site, const char* clock) {
  auto c = std::make_unique<TReaderConfig>();
  c->SetSite(site);
  c->SetClock(clock);
  return c;
}

// Loads the bytes as zv.cfg, saves, and answers what the writer wrote.
std::string Regenerate(const TTempDir& t, const std::string& bytes) {
  WriteFile(t.file("zv.cfg"), bytes);
  TZvCfgList l(t.file("zv.cfg"));
  EXPECT_TRUE(l.Save());
  return ReadFile(t.file("zv.cfg"));
}

const char* const kHandWritten =
    ".Zorvan Configurations\n"
    ". hand edited, sections out of order\n"
    "#Bell 7\n"
    "8 5\n"
    "  12:30\t3 2 3\n"  // tabs do not separate bell fields: ignored
    "12:30 3 2 3\n"
    "#END\n"
    "\n"
    "#holiday\n"
    "12 25 26\n"
    "1 1\n"
    "#end\n"
    "#Tz 5\n"
    "08:00 17:00 2 3 4 5 6\n"
    "\t12:00 13:00 1 7\n"
    ".note inside a zone\n"
    "1:00 2:00\n"
    "3:00 4:00\n"
    "5:00 6:00\n"  // a fifth interval line
    "#End\n"
    "#tz 06\n"
    "25:00 26:00\n"  // invalid, still one of the four
    "8 9 8\n"
    "10 11\n"
    "12 13\n"
    "14 15\n"
    "#end\n"
    "   \t  \n"
    "#RDR 3 12\n"
    "#pw 0 111\n"
    "#Pw 05 00555\n"
    "#PW 6 666\n"
    "#PW x 777\n"
    "#pw 1 0011\n"
    "#rej\n"
    "#REJ 0080\n"
    ".#lck 20\n"  // a comment that carries a tag is still applied
    "#bpr 1\n"
    "#idl\t9\n"
    "#tam 3\n"
    "#try 006\n"
    "#dng 7\n"
    "#dls 04:01:02:00 10:1:2:0\n"
    "#hrt 0   #eNd of reader 3\n"
    "#rej 999\n"  // after the end: not applied
    "#rdr 4 12\n"
    "#rej 100\n"
    "#try 3\n"
    "#REJ\n"  // clears the reject threshold
    "#bell 2\n"
    "08:00 5\n"
    "#pw 2 222\n"  // swallowed by the open reader section too
    "#end\n";

const std::string kRegenerated = Crlf({
    ".Zorvan Configurations", "",
    "#rdr 3 12", "#pw 1 0011", "#pw 5 00555", "#rej 80", "#lck 20", "#bpr 1", "#idl 9", "#tam 3",
    "#try 6", "#dng 7", "#dls 4:1:2:0 10:1:2:0", "#hrt 0", "#end", "",
    "#rdr 4 12", "#pw 2 222", "#try 3", "#end", "",
    "", "#tz 5", "08:00 17:00 2 3 4 5 6", "12:00 13:00 1 7", "1:00 2:00", "3:00 4:00", "#end", "",
    "", "#tz 6", "8 9 8", "10 11", "12 13", "#end", "",
    "#holiday", "1 1", "12 25 26", "#end", "",
    "#bell 7", "08:00 5 1 2 3 4 5 6 7 8", "12:30 3 2 3", "#end", "",
    "#bell 2", "08:00 5 1 2 3 4 5 6 7 8", "#end", "",
});

TEST(ZvCfgListTest, HandWrittenFileIsRegeneratedInCanonicalForm) {
  TTempDir t;
  EXPECT_EQ(Regenerate(t, kHandWritten), kRegenerated);
  // And the regenerated file comes out of a second round unchanged.
  EXPECT_EQ(Regenerate(t, kRegenerated), kRegenerated);
}

TEST(ZvCfgListTest, HandWrittenFileReadsIntoTheExpectedRecords) {
  TTempDir t;
  WriteFile(t.file("zv.cfg"), kHandWritten);
  TZvCfgList l(t.file("zv.cfg"));
  EXPECT_FALSE(l.Modified);

  TReaderConfig* c = l.FindReaderConfig("12", "3");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Password(5), "00555");  // leading zeros kept
  EXPECT_EQ(c->Password(1), "0011");
  for (int n : {2, 3, 4}) EXPECT_EQ(c->Password(n), "");
  EXPECT_EQ(c->RejectThreshold(), "80");
  EXPECT_EQ(c->LockControl(), "20");
  EXPECT_EQ(c->HourDisplay(), "0");
  EXPECT_EQ(c->DlsStart(), "4:1:2:0");
  TReaderConfig* open = l.FindReaderConfig("12", "4");
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->RejectThreshold(), "");
  EXPECT_EQ(open->Password(2), "222");
  // Site and clock match as numbers: clock.txt keeps "012" and "03" as typed.
  EXPECT_EQ(l.FindReaderConfig("012", "03"), c);
  EXPECT_EQ(l.FindReaderConfig(" 12", "0 3"), c);
  EXPECT_EQ(l.FindReaderConfig("12", "13"), nullptr);
  EXPECT_EQ(l.FindReaderConfig("120", "3"), nullptr);
  c->SetSite("0012");  // as a dialog may set it
  EXPECT_EQ(l.FindReaderConfig("12", "3"), c);

  TTimeZone* z5 = l.FindTimeZone("5");
  ASSERT_NE(z5, nullptr);
  EXPECT_EQ(z5->Start(4), "3:00");
  EXPECT_TRUE(z5->Day(2, 0));
  EXPECT_TRUE(z5->Day(2, 6));
  TTimeZone* z6 = l.FindTimeZone("6");
  ASSERT_NE(z6, nullptr);
  EXPECT_EQ(z6->Start(1), "8");
  EXPECT_TRUE(z6->Day(1, 7));
  EXPECT_TRUE(z6->IntervalFree(4));

  ASSERT_NE(l.FindBellSchedule("7"), nullptr);
  EXPECT_EQ(l.FindBellSchedule("7")->Count(), 2);
  EXPECT_EQ(l.FindBellSchedule("2")->Count(), 1);
  EXPECT_TRUE(l.GetHolidays()->IsHoliday(12, 26));
  EXPECT_FALSE(l.Modified);  // an existing table is not added again
  EXPECT_EQ(l.Holidays().size(), 1u);
}

TEST(ZvCfgListTest, MissingFileIsCreatedWithItsHeaderOnly) {
  TTempDir t;
  {
    TZvCfgList l(t.file("zv.cfg"));
    EXPECT_EQ(l.ReaderConfigs().size() + l.TimeZones().size() + l.BellSchedules().size(), 0u);
  }
  EXPECT_EQ(ReadFile(t.file("zv.cfg")), ".Zorvan Configurations\r\n");
  EXPECT_THROW(TZvCfgList(t.file("no/such/dir/zv.cfg")), EZvFileError);
}

TEST(ZvCfgListTest, ExistingFileThatCannotBeOpenedIsNotReplaced) {
  TTempDir t;
  // A socket exists but cannot be opened as a file, whoever runs the test.
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string path = t.file("zv.cfg");
  ASSERT_LT(path.size(), sizeof addr.sun_path);
  path.copy(addr.sun_path, path.size());
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  EXPECT_THROW(TZvCfgList{path}, EZvFileError);
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
  ::close(fd);
}

TEST(ZvCfgListTest, WritesTheSmallestReaderSection) {
  TTempDir t;
  TZvCfgList l(t.file("zv.cfg"));
  auto c = Config("12", "3");
  c->SetRejectThreshold("100");
  c->SetHourDisplay("0");
  c->SetDlsEnd("10", "1", "2", "0");  // an end without a start is not written
  l.SaveReaderConfig(std::move(c));
  ASSERT_TRUE(l.Save());
  EXPECT_EQ(ReadFile(t.file("zv.cfg")),
            Crlf({".Zorvan Configurations", "", "#rdr 3 12", "#rej 100", "#hrt 0", "#end", ""}));
}

TEST(ZvCfgListTest, SaveCopiesIntoTheRecordWithTheSameKeyAndPointersSurviveSaving) {
  TTempDir t;
  TZvCfgList l(t.file("zv.cfg"));
  auto a = Config("1", "2");
  TReaderConfig* kept = l.SaveReaderConfig(std::move(a));
  EXPECT_TRUE(l.Modified);
  ASSERT_TRUE(l.Save());
  EXPECT_FALSE(l.Modified);

  auto b = Config("1", "2");
  b->SetAccessTries("4");
  EXPECT_EQ(l.SaveReaderConfig(std::move(b)), kept);
  EXPECT_EQ(kept->AccessTries(), "4");
  EXPECT_EQ(l.ReaderConfigs().size(), 1u);
  // Handing the list its own record back must neither free nor duplicate it.
  std::unique_ptr<TReaderConfig> own(kept);
  EXPECT_EQ(l.SaveReaderConfig(std::move(own)), kept);
  EXPECT_EQ(l.FindReaderConfig("1", "2"), kept);

  auto z = std::make_unique<TTimeZone>();
  z->SetNumber("9");
  z->AddInterval("08:00", "09:00", TDayFlags{});
  TTimeZone* zone = l.SaveTimeZone(std::move(z));
  auto z2 = std::make_unique<TTimeZone>();
  z2->SetNumber("9");
  z2->AddInterval("10:00", "11:00", TDayFlags{true});
  EXPECT_EQ(l.SaveTimeZone(std::move(z2)), zone);
  EXPECT_EQ(zone->Start(1), "10:00");
  ASSERT_TRUE(l.Save());
  EXPECT_EQ(l.FindTimeZone("9"), zone);

  l.DeleteTimeZone(zone);
  l.DeleteReaderConfig(kept);
  EXPECT_TRUE(l.Modified);
  EXPECT_EQ(l.FindTimeZone("9"), nullptr);
  EXPECT_EQ(l.FindReaderConfig("1", "2"), nullptr);
}

TEST(ZvCfgListTest, DeletedBellScheduleIsGoneAndWrittenEvenWithoutASave) {
  TTempDir t;
  WriteFile(t.file("zv.cfg"), Crlf({"#bell 3", "8 5", "#end", "#bell 4", "#end"}));
  {
    TZvCfgList l(t.file("zv.cfg"));
    TBellSchedule* s = l.FindBellSchedule("3");
    ASSERT_NE(s, nullptr);
    l.DeleteBellSchedule(s);
    EXPECT_EQ(l.FindBellSchedule("3"), nullptr);
    ASSERT_NE(l.FindBellSchedule("4"), nullptr);
  }
  EXPECT_EQ(ReadFile(t.file("zv.cfg")), Crlf({".Zorvan Configurations", "", "#bell 4", "#end", ""}));
}

TEST(ZvCfgListTest, GetHolidaysAppendsOneTableWhenThereIsNone) {
  TTempDir t;
  {
    TZvCfgList l(t.file("zv.cfg"));
    THoliday* h = l.GetHolidays();
    EXPECT_TRUE(l.Modified);
    EXPECT_EQ(l.GetHolidays(), h);
    h->SetHoliday(7, 4);
  }  // written when freed with changes pending
  TZvCfgList l(t.file("zv.cfg"));
  EXPECT_TRUE(l.GetHolidays()->IsHoliday(7, 4));
  EXPECT_EQ(l.Holidays().size(), 1u);
}

TEST(ZvCfgListTest, ZoneWithoutAnyStartIsLeftOutOfTheFile) {
  TTempDir t;
  {
    TZvCfgList l(t.file("zv.cfg"));
    auto z = std::make_unique<TTimeZone>();
    z->SetNumber("2");
    z->SetDay(1, 3, true);
    l.AddObject("", std::move(z));
    ASSERT_TRUE(l.Save());
    // Still there until the list is loaded again, and still deletable.
    TTimeZone* kept = l.FindTimeZone("2");
    ASSERT_NE(kept, nullptr);
    EXPECT_TRUE(kept->Day(1, 3));
    EXPECT_EQ(l.TimeZones().size(), 1u);
    l.DeleteTimeZone(kept);
    EXPECT_EQ(l.FindTimeZone("2"), nullptr);
  }
  EXPECT_EQ(ReadFile(t.file("zv.cfg")), Crlf({".Zorvan Configurations", ""}));
  TZvCfgList l(t.file("zv.cfg"));
  EXPECT_EQ(l.FindTimeZone("2"), nullptr);
}

TEST(ZvCfgListTest, OpeningTagsAreTestedInOrderAndOnlyOpenSectionsSwallowLines) {
  TTempDir t;
  const std::string out = Regenerate(t, Crlf({
      "#rdr 5 6 #tz 1",  // both tags: a reader section, which reads no "#TZ"
      "#end",
      "#holiday",  // left open: takes the month lines of the next section as well
      "3 17",
      "#tz 2",
      "08:00 09:00",
      "4 1",  // an invalid interval, but April 1 for the open holiday table
      "#end",
  }));
  EXPECT_EQ(out, Crlf({".Zorvan Configurations", "", "#rdr 5 6", "#end", "", "", "#tz 2", "08:00 09:00",
                       "#end", "", "#holiday", "3 17", "4 1", "#end", ""}));
}

TEST(ZvCfgListTest, ReaderSectionLeftOpenTakesTheLinesOfTheNextOneUpToItsEnd) {
  TTempDir t;
  const std::string out = Regenerate(t, Crlf({"#rdr 1 1", "#rej 10", "#pw 3 33", "#rdr 2 2", "#rej 20",
                                              "#hrt 1 #end", "#rej 30", "#rdr 4 4", "#end"}));
  // The first section's own "#rdr" is overwritten by the second one's: both read as 2 2.
  EXPECT_EQ(out, Crlf({".Zorvan Configurations", "", "#rdr 2 2", "#pw 3 33", "#rej 20", "#hrt 1", "#end", "",
                       "#rdr 2 2", "#rej 20", "#hrt 1", "#end", "", "#rdr 4 4", "#end", ""}));
}

// Hand edits that the writer could not write back the way they read are not taken, so a
// saved file always reloads into what was saved.
TEST(ZvCfgListTest, ValuesThatCouldNotBeWrittenBackAreNotTaken) {
  TTempDir t;
  const std::string longEnd(248, '7');
  const std::string first = Regenerate(t, Crlf({
      "#rdr 1 2",
      "#hrt 1",
      "#rej 5#END",         // would end the section early when written back
      "#dng X#TZ",          // would open a time zone section
      "#pw 1 #BELL",
      "#rdr \x01 9",        // a site without a clock cannot be written
      "#end",
      "#tz 3",
      "#tz #RDR",
      "1 2",
      "#end",
      "x #bell 8",          // a schedule that never names its number
      "#end",
  }) + "#rdr 7 7\r\n#dls 1 " + longEnd + "\r\n#end\r\n");
  // "#dng X#TZ" and "#tz #RDR" still open sections of their own, as any tag does.
  EXPECT_EQ(first, Crlf({".Zorvan Configurations", "", "#rdr 1 2", "#hrt 1", "#end", "", "#rdr  ", "#end", "",
                         "#rdr  ", "#end", "", "#rdr 7 7", "#end", "", "", "#tz 3", "1 2", "#end", "",
                         "#bell 0", "#end", "", "#bell 0", "#end", ""}));
  EXPECT_EQ(Regenerate(t, first), first);
}

}  // namespace
}  // namespace zv

namespace zv {
namespace {

// Zeros, then control characters, then zeros again: once normalized, the value still
// starts with "0" and a second reading would shorten it. Such values are not taken.
TEST(ZvCfgListTest, NumbersWithZerosAndBlanksInTurnReadBackTheSame) {
  TTempDir t;
  const std::string first = Regenerate(t, Crlf({
      "#rdr 0\b03 12",
      "#rdr 4 12",
      "#rej 0\b080",
      "#rej 0\b",  // trims to "0" at once: taken
      "#dls 3:8:2:0 0\b010:1:2:0",
      "#hrt 1",
      "#end",
      "#tz 0\b05",
      "#tz 6",
      "08:00 09:00",
      "#end",
  }));
  // Each line opens a section of its own; both read to the same end line.
  // "0<BS>010" normalises to 10 at once; a value still not in its normal form is not taken.
  EXPECT_EQ(first, Crlf({".Zorvan Configurations", "", "#rdr 4 12", "#rej 0", "#dls 3:8:2:0 10:1:2:0",
                         "#hrt 1", "#end", "", "#rdr 4 12", "#rej 0", "#dls 3:8:2:0 10:1:2:0", "#hrt 1",
                         "#end", "", "", "#tz 6", "08:00 09:00", "#end", "", "", "#tz 6", "08:00 09:00",
                         "#end", ""}));
  EXPECT_EQ(Regenerate(t, first), first);
}

}  // namespace
}  // namespace zv
