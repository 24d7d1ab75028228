// Hand-edited files at their worst: every list loads and saves them without failing, keeps
// every line, and reads the same records again from what it wrote.
#include "data/clocklist.h"
#include "data/grouplist.h"
#include "data/sitelist.h"
#include "data/tabletest.h"
#include "data/userlist.h"

namespace zv {
namespace {

template <class L>
class BadInputTest : public TableFileTest {};

using Lists = ::testing::Types<TSiteList, TClockList, TGroupList, TUserList>;
TYPED_TEST_SUITE(BadInputTest, Lists);

std::string UglyFile() {
  std::string binary;
  for (int c = 1; c < 256; ++c)
    if (c != '\r' && c != '\n') binary += static_cast<char>(c);
  std::vector<std::string> lines = {
      binary,
      std::string(5000, ','),
      "1" + std::string(100000, 'x'),
      std::string(3000, ',') + "2, 3, 4",
      std::string(100000, ' ') + "5",  // its first 255 characters are blank: a comment
      "\t\v\f\x1b 6 \x7f, \xff\xfe, ,,, ",
      ",",
      ", , , , , , , , , , , , , , , , , , ,",
      "7" + std::string(254, ' ') + ",8",
  };
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  return text;
}

TYPED_TEST(BadInputTest, LoadsSavesAndReloadsWithoutLosingALine) {
  const std::string path = this->Path("table.txt");
  this->WriteFile(path, UglyFile());
  std::string firstSave;
  int lines = 0, records = 0;
  {
    TypeParam list(path);
    lines = list.Count();
    for (int i = 0; i < list.Count(); ++i) records += list.Objects(i) ? 1 : 0;
    EXPECT_EQ(lines, 9);
    EXPECT_EQ(records, 8);
    ASSERT_TRUE(list.Save());
    firstSave = this->ReadFile(path);
  }
  TypeParam again(path);
  EXPECT_EQ(again.Count(), lines);
  int recordsAgain = 0;
  for (int i = 0; i < again.Count(); ++i) recordsAgain += again.Objects(i) ? 1 : 0;
  EXPECT_EQ(recordsAgain, records);
  // Nothing written can split a line or end the file early.
  EXPECT_EQ(firstSave.find('\0'), std::string::npos);
  std::size_t crlf = 0;
  for (std::size_t p = firstSave.find("\r\n"); p != std::string::npos; p = firstSave.find("\r\n", p + 2))
    ++crlf;
  EXPECT_EQ(crlf, static_cast<std::size_t>(lines));
}

TYPED_TEST(BadInputTest, NoRecordsFromAnEmptyOrCommentOnlyFile) {
  const std::string path = this->Path("table.txt");
  this->WriteFile(path, "");
  {
    TypeParam list(path);
    EXPECT_EQ(list.Count(), 0);
  }
  this->WriteFile(path, "   . note\r\n\t\r\n.\n\r");
  TypeParam list(path);
  EXPECT_EQ(list.Count(), 4);
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Objects(i), nullptr);
  ASSERT_TRUE(list.Save());
  EXPECT_EQ(this->ReadFile(path), "   . note\r\n\t\r\n.\r\n\r\n");
}

}  // namespace
}  // namespace zv
