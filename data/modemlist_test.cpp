// The modem initialisation strings: every line as written, "AT&F" when there is no file.
#include "data/modemlist.h"
#include "data/tabletest.h"

namespace zv {
namespace {

class ModemListTest : public TableFileTest {};

TEST_F(ModemListTest, ReadsEveryLineAsWritten) {
  WriteFile(Path("modem.txt"), "AT&F\r\n ATZ \r\n\r\n.ATX4\nATM0\rATL1\r\n");
  EXPECT_EQ(LoadModemList(Path("modem.txt")),
            (std::vector<std::string>{"AT&F", " ATZ ", "", ".ATX4", "ATM0", "ATL1"}));
}

TEST_F(ModemListTest, UnreadableFileGivesTheFactoryDefault) {
  EXPECT_EQ(LoadModemList(Path("none.txt")), std::vector<std::string>{"AT&F"});
  EXPECT_EQ(LoadModemList(dir_), std::vector<std::string>{"AT&F"});  // a directory
}

}  // namespace
}  // namespace zv
