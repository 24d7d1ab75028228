#include "reader/userstore.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "data/mystringlist.h"
#include "util/testsupport.h"

namespace zv {
namespace {

using zv::testing::ReadFile;
using zv::testing::TTempDir;
using zv::testing::WriteFile;

std::string Rec(char c) { return std::string(TUserStore::kRecordSize, c); }

struct TStoreFiles {
  TTempDir dir;
  std::unique_ptr<TUserStore> store;
  TStoreFiles(const std::string& idx, const std::string& dat) {
    WriteFile(dir.file("user.idx"), idx);
    WriteFile(dir.file("user.dat"), dat);
    Open();
  }
  void Open() {
    store.reset();
    store = std::make_unique<TUserStore>(dir.file("user.dat"));
    EXPECT_EQ(store->LoadIndex(dir.file("user.idx")), TUserStore::TIndexLoad::Ok);
  }
  std::string Idx() const { return ReadFile(dir.file("user.idx")); }
  std::string Dat() const { return ReadFile(dir.file("user.dat")); }
};

// An operation on the store: Store(id, Rec(c)), or Free(id) when c is 0.
struct TOp {
  std::string id;
  char c;
};

struct TPlaceCase {
  const char* name;
  std::string idx, dat;
  std::vector<TOp> ops;
  std::string wantIdx, wantDat;
};

TEST(UserStoreTest, PlacingRuleKeepsFilesCurrentAfterEveryChange) {
  const std::string X = Rec('X'), Y = Rec('Y'), Z = Rec('Z');
  const std::string A = Rec('A'), B = Rec('B'), C = Rec('C');
  const std::string free10 = "0         ";
  const TPlaceCase cases[] = {
      {"new ids append, a known id is written in place", "", "",
       {{"1111111111", 'A'}, {"2222222222", 'B'}, {"1111111111", 'C'}},
       "1111111111\r\n2222222222\r\n", C + B},
      {"first free line first, then the next, then the end", "0\r\n3333333333\r\n0\r\n", X + Y + Z,
       {{"4444444444", 'A'}, {"5555555555", 'B'}, {"6666666666", 'C'}},
       "4444444444\r\n3333333333\r\n5555555555\r\n6666666666\r\n", A + Y + B + C},
      {"a freed line reads 0 and is taken again in place", "1111111111\r\n2222222222\r\n", X + Y,
       {{"1111111111", 0}, {"2222222222", 0}, {"3333333333", 'A'}},
       "3333333333\r\n" + free10 + "\r\n", A + Y},
      {"a freed line that is never taken stays free", "1111111111\r\n", X,
       {{"1111111111", 0}}, free10 + "\r\n", X},
      {"hand-edited: CR-only ends, a blank line, blanks around ids, no last line end",
       "1111111111\r\r\n 2222222222 \r0\n3333333333", X + Y + Z + Z + Z,
       {{"2222222222", 'A'}, {"4444444444", 'B'}, {"5555555555", 'C'}},
       "1111111111\r\n\r\n 2222222222 \r\n4444444444\r\n3333333333\r\n5555555555\r\n",
       X + Y + A + B + Z + C},
      {"a duplicate line is never written; the first line of the id is",
       "1111111111\r\n1111111111\r\n", X + Y, {{"1111111111", 'A'}},
       "1111111111\r\n1111111111\r\n", A + Y},
      {"a line over 255 characters names nobody and is kept whole",
       std::string(300, '9') + "\r\n0\r\n", X + Y, {{"2222222222", 'A'}},
       std::string(300, '9') + "\r\n2222222222\r\n", X + A},
      {"user.dat not a multiple of 24: the new record lands in its own slot",
       "1111111111\r\n2222222222\r\n", X + Y + "ab", {{"3333333333", 'A'}},
       "1111111111\r\n2222222222\r\n3333333333\r\n", X + Y + A},
      {"user.dat shorter than the index: records in between read as cleared",
       "1111111111\r\n2222222222\r\n", X, {{"3333333333", 'A'}},
       "1111111111\r\n2222222222\r\n3333333333\r\n", X + std::string(24, '\0') + A},
      {"user.dat longer than the index: a new line takes the next slot, nothing else moves",
       "1111111111\r\n", X + Y + Z, {{"3333333333", 'A'}},
       "1111111111\r\n3333333333\r\n", X + A + Z},
  };
  for (const TPlaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    TStoreFiles f(c.idx, c.dat);
    for (const TOp& op : c.ops) {
      if (op.c == 0) {
        EXPECT_TRUE(f.store->Free(op.id)) << op.id;
      } else {
        EXPECT_TRUE(f.store->Store(op.id, Rec(op.c))) << op.id;
      }
    }
    EXPECT_EQ(f.Idx(), c.wantIdx);
    EXPECT_EQ(f.Dat(), c.wantDat);
    // What is on disk is what the store holds: a fresh load finds every id where it was.
    std::vector<long long> before;
    for (const TOp& op : c.ops) before.push_back(f.store->SlotOf(op.id));
    f.Open();
    for (std::size_t i = 0; i < c.ops.size(); ++i)
      EXPECT_EQ(f.store->SlotOf(c.ops[i].id), before[i]) << c.ops[i].id;
    for (const TOp& op : c.ops) {
      std::uint8_t rec[24];
      if (op.c == 0 || f.store->SlotOf(op.id) < 0) continue;
      ASSERT_TRUE(f.store->Read(op.id, rec));
    }
  }
}

TEST(UserStoreTest, ReadsLinesAndRecordsOfHandEditedFiles) {
  TStoreFiles f("0\r\n\r\n 0000000042 \r\n0000000042\r\n0000000007\r\n" + std::string(300, 'x') +
                    "\r\n",
                Rec('A') + Rec('B') + Rec('C') + Rec('D') + "partial");
  const TUserStore& s = *f.store;
  ASSERT_EQ(s.Count(), 6u);
  EXPECT_EQ(s.IdAt(0), "");
  EXPECT_EQ(s.IdAt(1), "");
  EXPECT_EQ(s.IdAt(2), "0000000042");
  EXPECT_TRUE(s.IsFirstOfId(2));
  EXPECT_FALSE(s.IsFirstOfId(3));  // the duplicate
  EXPECT_FALSE(s.IsFirstOfId(0));
  EXPECT_EQ(s.SlotOf("0000000042"), 2);
  EXPECT_EQ(s.SlotOf("0"), -1);
  EXPECT_EQ(s.SlotOf(""), -1);

  std::uint8_t rec[24];
  ASSERT_TRUE(s.Read("0000000042", rec));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(rec), 24), Rec('C'));
  // Record 4 is "partial" (7 bytes), record 5 lies beyond the end: both read as cleared.
  for (std::size_t slot : {4u, 5u, 99u}) {
    s.ReadSlot(slot, rec);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rec), 24), std::string(24, '\0')) << slot;
  }
  EXPECT_FALSE(s.Read("1234567890", rec));
}

TEST(UserStoreTest, RefusesIdsThatCannotBeALineAndFailsWithoutChangingTheIndex) {
  TStoreFiles f("0\r\n1111111111\r\n", Rec('X') + Rec('Y'));
  for (const std::string& bad : {std::string(), std::string("0"), std::string(" 0 "),
                                 std::string("12\r\n34"), std::string(" 42")})
    EXPECT_FALSE(f.store->Store(bad, Rec('A'))) << bad;
  EXPECT_FALSE(f.store->Store("2222222222", std::string(23, 'A')));
  EXPECT_FALSE(f.store->Free("9999999999"));
  EXPECT_EQ(f.Idx(), "0\r\n1111111111\r\n");
  EXPECT_EQ(f.Dat(), Rec('X') + Rec('Y'));

  // A full disk: the record cannot be written, so no line may name it.
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  ASSERT_EQ(unlink(f.dir.file("user.dat").c_str()), 0);
  ASSERT_EQ(symlink("/dev/full", f.dir.file("user.dat").c_str()), 0);
  f.Open();
  EXPECT_FALSE(f.store->Store("2222222222", Rec('A')));
  EXPECT_FALSE(f.store->Store("1111111111", Rec('A')));
  EXPECT_EQ(f.Idx(), "0\r\n1111111111\r\n");
  EXPECT_EQ(f.store->SlotOf("2222222222"), -1);
  EXPECT_EQ(f.store->IdAt(0), "");
}

TEST(UserStoreTest, MissingFilesAreCreatedAndUnusableOnesReported) {
  TTempDir dir;
  {
    TUserStore s(dir.file("user.dat"));
    EXPECT_EQ(s.LoadIndex(dir.file("user.idx")), TUserStore::TIndexLoad::Ok);
    EXPECT_EQ(s.Count(), 0u);
    EXPECT_TRUE(s.Store("0000000001", Rec('A')));
  }
  EXPECT_EQ(ReadFile(dir.file("user.idx")), "0000000001\r\n");
  EXPECT_EQ(ReadFile(dir.file("user.dat")), Rec('A'));

  TUserStore s(dir.file("user.dat"));
  EXPECT_EQ(s.LoadIndex(dir.file("none/user.idx")), TUserStore::TIndexLoad::CannotCreate);
  ASSERT_EQ(mkdir(dir.file("dir.idx").c_str(), 0755), 0);
  EXPECT_EQ(s.LoadIndex(dir.file("dir.idx")), TUserStore::TIndexLoad::CannotRead);
  try {
    TUserStore bad(dir.file("none/user.dat"));
    ADD_FAILURE() << "no error";
  } catch (const EZvFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to create file " + dir.file("none/user.dat"));
  }
}

}  // namespace
}  // namespace zv
