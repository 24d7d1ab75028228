// The lines polling writes for each kind of data log element, byte for byte.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "reader/engine.h"
#include "reader/testing/fakehost.h"
#include "reader/polling.h"
#include "util/clock.h"
#include "data/userlist.h"
#include "util/fileio.h"

namespace zv {
namespace {

struct TEl {
  std::uint8_t b[kDataLogElementSize] = {};
};

// An element of the given type and code at 12/08/26 hh:mm, user 42, with data bytes.
TEl El(std::int32_t type, std::int32_t code, int hour, int minute, std::uint32_t data = 0xFFFFFFFF) {
  TEl e;
  e.b[0] = 0xAB;
  e.b[2] = static_cast<std::uint8_t>(minute);
  e.b[3] = static_cast<std::uint8_t>(hour);
  e.b[4] = 8;
  e.b[5] = 12;
  e.b[6] = 26;
  for (int i = 0; i < 4; ++i) {
    e.b[8 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(type) >> (8 * i));
    e.b[20 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(code) >> (8 * i));
    e.b[24 + i] = static_cast<std::uint8_t>(data >> (24 - 8 * i));  // as written: 01020304
  }
  e.b[16] = 0x42;
  return e;
}

TEST(PollLines, PunchEventAndRawLines) {
  struct Case {
    const char* what;
    std::string got, want;
  };
  TEl allFF = El(3, -1, 23, 59);
  TEl data = El(7, 0x12, 8, 5, 0x01020304);
  const Case cases[] = {
      {"punch, code 12, no data", PunchLine("1", "1", El(7, 0x12, 8, 5).b),
       " 1, 1,12,0000000042,          , 8, 5,12, 8,26,  ,  ,  ,  ,  ,          ,          ,        ,"},
      {"punch with data, wide site", PunchLine("123", "10", data.b),
       "123,10,12,0000000042,0001020304, 8, 5,12, 8,26,  ,  ,  ,  ,  ,          ,          ,        ,"},
      {"punch code 200", PunchLine("1", "1", El(7, 200, 0, 0).b).substr(0, 9), " 1, 1,  ,"},
      {"punch code 153 is the last shown", PunchLine("1", "1", El(7, 153, 0, 0).b).substr(0, 9),
       " 1, 1,99,"},
      {"punch negative code", PunchLine("1", "1", El(7, -3, 0, 0).b).substr(0, 9), " 1, 1,  ,"},
      {"event, all 255 from offset 20", EventLine("1", "2", allFF.b),
       " 1, 2,  3,0000000042,          ,23:59,12/ 8/26"},
      {"event with code and data", EventLine("4", "0", El(1, 0x0102, 9, 5, 0x0A0B0C0D).b),
       " 4, 0,  1,0000000042,020100000A, 9:05,12/ 8/26"},
      {"event of a four-digit type", EventLine("4", "0", El(1234, 0, 0, 0).b).substr(0, 11),
       " 4, 0,1234,"},
      {"raw element", TransLine(data.b),
       "AB000508080C1A00070000000000000042000000" "12000000" "01020304"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
  EXPECT_EQ(TransLine(El(0, 0, 0, 0).b).size(), 56u);
}

TEST(PollLines, Type15Groups) {
  struct Step {
    TEl el;
    const char* line;  // nullptr: no line yet
  };
  auto second = [](std::int32_t code, std::int16_t v, std::uint8_t w) {
    TEl e = El(15, code, 9, 7, 0);
    e.b[24] = static_cast<std::uint8_t>(v);
    e.b[25] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8);
    e.b[26] = w;
    e.b[27] = 0;
    return e;
  };
  const std::vector<std::vector<Step>> groups = {
      // Sub-type 21, code 8: the value goes to field 18, the line comes with the third element.
      {{El(15, 21, 8, 5, 0x11223344), nullptr},
       {second(8, 5, 30), nullptr},
       {El(15, 0, 0, 0, 0x01020304),
        " 1, 2, 8,0000000042,0001020304, 9,07,12, 8,26, 8,05,12, 8,26,0000000042,0011223344,+0005:30,"}},
      // Sub-type 21, another code: field 19, with a dot; a negative value keeps its sign.
      {{El(15, 21, 8, 5, 0x11223344), nullptr},
       {second(3, -12, 30), nullptr},
       {El(15, 0, 0, 0),
        " 1, 2, 3,0000000042,          , 9,07,12, 8,26, 8,05,12, 8,26,0000000042,0011223344,        ,-0012.30"}},
      // Any other sub-type: two elements; a code beyond 99 leaves field 3 blank.
      {{El(15, 4, 8, 5, 0x11223344), nullptr},
       {El(15, 100, 9, 7, 0x01020304),
        " 1, 2,  ,0000000042,0001020304, 9,07,12, 8,26, 8,05,12, 8,26,0000000042,          ,        ,"}},
  };
  TType15Group g;
  for (const auto& steps : groups) {
    for (const Step& s : steps) {
      std::string line;
      bool done = g.Add("1", "2", s.el.b, line);
      EXPECT_EQ(done, s.line != nullptr);
      if (s.line) {
        EXPECT_EQ(line, s.line);
      }
    }
    EXPECT_EQ(g.Counter(), 0);
  }
}

// A poll that runs past midnight keeps writing into the log of the day it started; the
// host hears of every element.
class PollTest : public test::EngineTest {};

TEST_F(PollTest, DailyLogOfTheStartAndProgressAfterEachElement) {
  LoadSites({"5, , , , , , 0, 127.0.0.5, net"});
  LoadClocks({"5, 1"});
  std::tm start{};
  start.tm_year = 126;
  start.tm_mon = 11;
  start.tm_mday = 8;
  start.tm_hour = 23;
  start.tm_min = 59;
  start.tm_sec = 59;
  start.tm_isdst = -1;
  std::time_t t0 = std::mktime(&start);
  int calls = 0;
  TTestClock clock([&] { return calls++ == 0 ? t0 : t0 + 86400; });
  Fake.push_element(El(7, 1, 23, 59).b);
  Fake.push_element(El(7, 2, 0, 0).b);
  EXPECT_TRUE(PollSites(AllSites(), ""));
  std::string day = ReadFile("20261208.log");
  EXPECT_NE(day.find(",01,"), std::string::npos) << day;
  EXPECT_NE(day.find(",02,"), std::string::npos) << day;
  EXPECT_FALSE(FileExists(Dir + "20261209.log"));
  EXPECT_EQ(Host.Progressed, (std::vector<std::string>{"Poll 1 transactions", "Poll 2 transactions",
                                                       "Poll 2 transactions"}));
  EXPECT_GE(Host.Processed, 3);
}

// The users a poll saw are in user.txt after each clock, not only at the end of the
// operation. The ids a killed poll left pending are stored by the next poll of their clock
// (and only of theirs), and leave the pending file once their users are kept; while user.txt
// cannot be saved they stay.
TEST_F(PollTest, UsersAreKeptAfterEachClockAndThoseOfAKilledPollAfterTheNext) {
  LoadSites({"5, , , , , , 0, 127.0.0.5, net"});
  LoadClocks({"5, 1", "5, 2"});
  ASSERT_TRUE(WriteFileAtomic(Dir + "user.txt", ".ID\r\n"));
  Host.UserList = std::make_unique<TUserList>(Dir + "user.txt");
  // Clock 1 written with zeros, a clock not polled now, and a line a kill cut short.
  ASSERT_TRUE(WriteFileAtomic(Dir + "users.pending", "05,01,0000000077,\r\n5,3,0000000088,\r\n5,1,000"));
  Fake.push_element(El(7, 1, 8, 0).b);  // clock 1's punch; the stand-in names every id 9...9
  EXPECT_TRUE(PollSites(AllSites(), ""));
  EXPECT_EQ(Host.Kept, 2);
  std::string calls = Calls();
  EXPECT_NE(calls.find("rdrTextToID(0000000077)"), std::string::npos) << calls;
  EXPECT_EQ(calls.find("rdrTextToID(000)"), std::string::npos);
  EXPECT_EQ(calls.find("rdrTextToID(0000000088)"), std::string::npos);
  // Saved by the clocks' ends: nothing else saves the list here.
  std::string users = ReadFile("user.txt");
  EXPECT_NE(users.find("         77,  61,"), std::string::npos) << users;
  EXPECT_NE(users.find("99999999999999999999,"), std::string::npos) << users;
  EXPECT_EQ(ReadFile("users.pending"), "5,3,0000000088,\r\n");

  // user.txt cannot be saved: the clock says so, and its seen ids stay pending.
  ASSERT_EQ(rename((Dir + "user.txt").c_str(), (Dir + "old.txt").c_str()), 0);
  ASSERT_EQ(mkdir((Dir + "user.txt").c_str(), 0700), 0);
  Host.UserList->FindUser("77")->SetComment("changed");
  Host.UserList->Modified = true;
  Host.Lines.clear();
  Fake.push_element(El(7, 1, 8, 0).b);
  EXPECT_TRUE(PollSites(AllSites(), "1"));
  EXPECT_NE(Window().find("Site 5, Clock 1: Failed to save users file " + Dir + "user.txt: "),
            std::string::npos) << Window();
  EXPECT_EQ(ReadFile("users.pending"), "5,3,0000000088,\r\n5,1,99999999999999999999,\r\n");
}

// A reader that stops answering for the records of the seen users: the clock fails, says
// so, and keeps the ids pending for the next poll; after three unanswered in a row the rest
// are not asked (a dead line costs three users' timeouts, not every user's).
TEST_F(PollTest, SeenUsersTheReaderDidNotAnswerForStayPendingAndTheClockFails) {
  LoadSites({"5, , , , , , 0, 127.0.0.5, net"});
  LoadClocks({"5, 1"});
  ASSERT_TRUE(WriteFileAtomic(Dir + "user.txt", ".ID\r\n"));
  Host.UserList = std::make_unique<TUserList>(Dir + "user.txt");
  std::string pending;
  for (int id = 1; id <= 5; ++id) pending += "5,1,000000000" + std::to_string(id) + ",\r\n";
  ASSERT_TRUE(WriteFileAtomic(Dir + "users.pending", pending));
  Fake.set_result("rdrGetUserRecord", 3);  // the library's timeout
  PollSites(AllSites(), "");
  EXPECT_EQ(Fake.count("rdrGetUserRecord"), 3 * 3);
  EXPECT_NE(Window().find("Site 5, Clock 1: Failed to get the user records of 5 seen users: the "
                          "reader did not answer; they are asked for again at the next poll"),
            std::string::npos) << Window();
  EXPECT_EQ(ReadFile("users.pending"), pending);
  EXPECT_EQ(ReadFile("user.txt"), ".ID\r\n");

  Fake.set_result("rdrGetUserRecord", 0);
  Host.Lines.clear();
  PollSites(AllSites(), "");
  EXPECT_EQ(Window().find("Failed"), std::string::npos) << Window();
  EXPECT_EQ(ReadFile("users.pending"), "");
  std::string users = ReadFile("user.txt");
  for (int id = 1; id <= 5; ++id)
    EXPECT_NE(users.find("          " + std::to_string(id) + ","), std::string::npos) << users;
}

}  // namespace
}  // namespace zv
