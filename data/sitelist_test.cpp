// Sites file: reading and writing rules, the address rules and the lookup by site number.
#include <sys/stat.h>

#include "data/sitelist.h"
#include "data/tabletest.h"

namespace zv {
namespace {

class SiteListTest : public TableFileTest {};

TEST_F(SiteListTest, GoldenFileSurvivesLoadAndSaveByteForByte) {
  WriteFile(Path("site.txt"), Golden("site_in.txt"));
  EXPECT_EQ(LoadAndSave<TSiteList>("site.txt"), Golden("site_out.txt"));
  // What the program wrote reads back to the same bytes.
  EXPECT_EQ(LoadAndSave<TSiteList>("site.txt"), Golden("site_out.txt"));
}

TEST_F(SiteListTest, ReadingRulesOfHandWrittenLines) {
  WriteFile(Path("site.txt"), Golden("site_in.txt"));
  TSiteList list(Path("site.txt"));
  // Adjacent commas: the empty field vanishes and the later fields move up.
  TSite* five = list.FindSite("5");
  ASSERT_NE(five, nullptr);
  EXPECT_EQ(five->Dial(), "5551234");
  EXPECT_EQ(five->Phone(), "0");
  EXPECT_EQ(five->Tza(), "Lobby");
  EXPECT_EQ(five->IpAddress(), "");
  EXPECT_EQ(five->Description(), "");
  // A field of one space keeps its place; "*" reads back as ","; the text after the ninth
  // field (the rest of a description with a comma) is dropped.
  TSite* six = list.FindSite("6");
  ASSERT_NE(six, nullptr);
  EXPECT_EQ(six->Port(), "");
  EXPECT_EQ(six->Baud(), "2400");
  EXPECT_EQ(six->Dial(), "9,,");
  EXPECT_EQ(six->StoredDial(), "9**");
  EXPECT_EQ(six->Phone(), "555,1234");
  EXPECT_EQ(six->IpAddress(), "10.0.0.5");
  EXPECT_EQ(six->Description(), "Back door");
  EXPECT_EQ(six->ConnectionType(), 3);
  // Eight fields: the eighth is no address, so it becomes the description.
  TSite* seven = list.FindSite("7");
  ASSERT_NE(seven, nullptr);
  EXPECT_EQ(seven->IpAddress(), "");
  EXPECT_EQ(seven->Description(), "Main gate");
  // An invalid address stays when there is a description.
  EXPECT_EQ(list.FindSite("8")->IpAddress(), "1.2.3");
  EXPECT_EQ(list.FindSite("8")->ConnectionType(), 0);
  // Site numbers are exact text.
  EXPECT_EQ(list.FindSite("7")->Description(), "Main gate");
  EXPECT_EQ(list.FindSite("07")->Description(), "zeros");
  EXPECT_EQ(list.FindSite(" 7"), nullptr);
  std::vector<TSite*> all;
  list.GetSites(all);
  ASSERT_EQ(all.size(), 7u);
  EXPECT_EQ(all[5]->Description(), "Second five");
  EXPECT_FALSE(list.Modified);
}

TEST_F(SiteListTest, AddressRules) {
  TSite s;
  auto valid = [&](const std::string& ip) {
    s.SetIpAddress(ip);
    return s.IsValidIp();
  };
  EXPECT_TRUE(valid("1..2.3.4"));
  EXPECT_TRUE(valid("1.2.3.4.999"));
  EXPECT_TRUE(valid("0.0.0.0"));
  EXPECT_TRUE(valid("255.255.255.255"));
  EXPECT_FALSE(valid("1.2.3"));
  EXPECT_FALSE(valid("256.1.1.1"));
  EXPECT_FALSE(valid("1.2.3.x"));
  EXPECT_FALSE(valid("-1.2.3.4"));
  EXPECT_FALSE(valid("99999999999999999999.1.1.1"));
  EXPECT_FALSE(valid(""));

  s.SetIpAddress("");
  EXPECT_EQ(s.ConnectionType(), 0);
  s.SetDial("9,");
  EXPECT_EQ(s.ConnectionType(), 1);
  s.SetIpAddress("127.0.0.2");
  EXPECT_EQ(s.ConnectionType(), 3);

  TSite n;
  n.SetIpAddress("Lobby");
  n.NormalizeIp();
  EXPECT_EQ(n.IpAddress(), "");
  EXPECT_EQ(n.Description(), "Lobby");
  TSite keep;
  keep.SetIpAddress("1.2");
  keep.SetDescription("Shed");
  keep.NormalizeIp();
  EXPECT_EQ(keep.IpAddress(), "1.2");
}

TEST_F(SiteListTest, DialAndPhoneExchangeCommasWithStars) {
  TSite s;
  s.SetDial("9,,");
  s.SetPhone("555,1234*");
  EXPECT_EQ(s.StoredDial(), "9**");
  EXPECT_EQ(s.StoredPhone(), "555*1234*");
  EXPECT_EQ(s.Dial(), "9,,");
  EXPECT_EQ(s.Phone(), "555,1234,");  // a typed "*" comes back as ","
}

TEST_F(SiteListTest, MissingFileIsCreatedWithHeaderLines) {
  {
    TSiteList list(Path("site.txt"));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.Modified);
  }
  EXPECT_EQ(ReadFile(Path("site.txt")), CrLf({TSiteList::kHeader1, TSiteList::kHeader2}));
  TSiteList again(Path("site.txt"));
  std::vector<TSite*> all;
  again.GetSites(all);
  EXPECT_TRUE(all.empty());
}

TEST_F(SiteListTest, UncreatableFileRaises) {
  EXPECT_THROW(TSiteList(Path("no/such/dir/site.txt")), EZvFileError);
}

TEST_F(SiteListTest, SaveFindAndDelete) {
  TSiteList list(Path("site.txt"));
  auto a = std::make_unique<TSite>();
  a->SetSite("12");
  a->SetPort("2");
  a->SetBaud("9600");
  a->SetTza("0");
  a->SetDescription("Main gate");
  TSite* stored = list.SaveSite(std::move(a));
  EXPECT_TRUE(list.Modified);
  EXPECT_EQ(list.FindSite("12"), stored);

  // Saving the same number again changes the stored record, it adds no line.
  TSite b;
  b.SetSite("12");
  b.SetDescription("Renamed");
  EXPECT_EQ(list.SaveSite(b), stored);
  EXPECT_EQ(stored->Description(), "Renamed");
  EXPECT_EQ(stored->Port(), "");
  EXPECT_EQ(list.Count(), 3);

  ASSERT_TRUE(list.Save());
  EXPECT_FALSE(list.Modified);
  EXPECT_EQ(ReadFile(Path("site.txt")),
            CrLf({TSiteList::kHeader1, TSiteList::kHeader2,
                  "   12,     ,     ,      ,       ,            ,    ,                , Renamed"}));

  // Deleting a record the list does not hold leaves the list alone.
  TSite stranger;
  stranger.SetSite("12");
  EXPECT_FALSE(list.DeleteSite(&stranger));
  EXPECT_TRUE(list.Modified);
  EXPECT_EQ(list.FindSite("12"), stored);
  EXPECT_TRUE(list.DeleteSite(stored));
  EXPECT_EQ(list.FindSite("12"), nullptr);
  EXPECT_EQ(list.Count(), 2);
}

TEST_F(SiteListTest, FirstMatchHoldsThroughAddDeleteAndKeyEdits) {
  WriteFile(Path("site.txt"), CrLf({"5, 1, , , , , , , first", "5, 2, , , , , , , second",
                                    "6, 3, , , , , , , six"}));
  TSiteList list(Path("site.txt"));
  TSite* first = list.FindSite("5");
  ASSERT_EQ(first->Description(), "first");
  // Changing the key in place re-routes the lookups.
  first->SetSite("9");
  EXPECT_EQ(list.FindSite("5")->Description(), "second");
  EXPECT_EQ(list.FindSite("9"), first);
  first->SetSite("5");
  EXPECT_EQ(list.FindSite("5"), first);
  // A deleted first makes the next one the answer; an appended duplicate never is.
  EXPECT_TRUE(list.DeleteSite(first));
  EXPECT_EQ(list.FindSite("5")->Description(), "second");
  TSite extra;
  extra.SetSite("7");
  list.SaveSite(extra);
  list.Insert(0, "", std::make_unique<TSite>(extra));
  EXPECT_EQ(list.IndexOfObject(list.FindSite("7")), 0);  // a plain insert is seen too
}

TEST_F(SiteListTest, DestructorWritesOnlyPendingChanges) {
  const std::string odd = "5,1,9600\n";
  WriteFile(Path("site.txt"), odd);
  chmod(Path("site.txt").c_str(), 0640);
  { TSiteList untouched(Path("site.txt")); }
  EXPECT_EQ(ReadFile(Path("site.txt")), odd);
  {
    TSiteList changed(Path("site.txt"));
    TSite s;
    s.SetSite("6");
    changed.SaveSite(s);
  }
  EXPECT_EQ(ReadFile(Path("site.txt")),
            CrLf({"    5,    1, 9600,      ,       ,            ,    ,                , ",
                  "    6,     ,     ,      ,       ,            ,    ,                , "}));
  struct stat st;
  ASSERT_EQ(stat(Path("site.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// A site without a number is written with a leading comma once its padding is trimmed; its
// fields must stay where they are however often the file is saved and read.
TEST_F(SiteListTest, EmptyFirstFieldKeepsEveryFieldInPlace) {
  WriteFile(Path("site.txt"), CrLf({", , 5, AT&F, 9, 555, 1, 10.0.0.1, nameless", ",5,1,9600"}));
  for (int round = 0; round < 3; ++round) {
    TSiteList list(Path("site.txt"));
    std::vector<TSite*> all;
    list.GetSites(all);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->Site(), "");
    EXPECT_EQ(all[0]->Port(), "");
    EXPECT_EQ(all[0]->Baud(), "5");
    EXPECT_EQ(all[0]->IpAddress(), "10.0.0.1");
    EXPECT_EQ(all[0]->Description(), "nameless");
    EXPECT_EQ(all[1]->Site(), "");
    EXPECT_EQ(all[1]->Port(), "5");
    EXPECT_EQ(all[1]->Init(), "9600");
    ASSERT_TRUE(list.Save());
  }
  EXPECT_EQ(ReadFile(Path("site.txt")),
            CrLf({"     ,     ,    5,  AT&F,      9,         555,   1,        10.0.0.1, nameless",
                  "     ,    5,    1,  9600,       ,            ,    ,                , "}));
}

TEST_F(SiteListTest, FieldsThatWouldBreakALineAreWrittenAsSpaces) {
  TSiteList list(Path("site.txt"));
  TSite s;
  s.SetSite("1");
  s.SetDescription(std::string("two\r\nlines\0x", 13));
  list.SaveSite(s);
  ASSERT_TRUE(list.Save());
  TSiteList again(Path("site.txt"));
  EXPECT_EQ(again.Count(), 3);
  EXPECT_EQ(again.FindSite("1")->Description(), "two  lines x");
}

}  // namespace
}  // namespace zv
