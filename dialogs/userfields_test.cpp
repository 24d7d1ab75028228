// The Users dialog's checks, save, delete with its user.idx slot and the bulk change's
// fields, without widgets.
#include "dialogs/userfields.h"

#include <gtest/gtest.h>

#include "util/fileio.h"
#include "util/testsupport.h"
#include "util/text.h"

namespace zv {
namespace {

using zv::testing::ReadFile;
using zv::testing::WriteFile;

TEST(UserFields, ChecksWithMessageAndFocus) {
  const std::string kId = "Invalid user number. Please enter a number from 0 to 9999999999";
  struct Case {
    std::string id;
    bool selected;
    std::string comment, message, focus;
  } cases[] = {
      {"0", false, "", "", ""},
      {"9999999999", false, "Night shift", "", ""},
      {"0000000123", true, "", "", ""},
      {"", false, "", "Must enter a user number.", "cbxUsers"},
      {"  ", false, "", "Must enter a user number.", "cbxUsers"},
      {"12a", false, "", kId, "cbxUsers"},
      {" 12", false, "", kId, "cbxUsers"},  // as typed: a leading blank is refused
      {"12345678901", false, "", kId, "cbxUsers"},
      {"-1", false, "", kId, "cbxUsers"},
      {"", true, "", "", ""},  // a selected entry of a hand-edited empty ID: no digit is wrong
      {"7", false, "Night, late", "Commas not allowed in comment.", "edtComment"},
      {"x", false, "a,b", kId, "cbxUsers"},  // the first failure wins
  };
  for (const Case& c : cases) {
    TUserFields f;
    f.id = c.id;
    f.idSelected = c.selected;
    f.comment = c.comment;
    const TCheck r = UserValidate(f);
    if (c.message.empty()) {
      EXPECT_FALSE(r) << c.id << ": " << r->message;
    } else {
      ASSERT_TRUE(r) << "'" << c.id << "'";
      EXPECT_EQ(*r, (TCheckFailure{c.message, c.focus})) << "'" << c.id << "'";
    }
  }
}

// The restriction list, and a stored user shown in the controls and taken back from them.
TEST(UserFields, EntriesAndRecordToControlsAndBack) {
  zv::testing::TTempDir dir;
  WriteFile(dir.file("group.txt"),
            "   120,    1,     1,        5, \r\n"
            "   abc,    1,     1,        5, \r\n"  // not a whole number: not offered
            "   120,    1,     2,        5, \r\n"
            "  0100,    1,     2,        5, \r\n"
            "     7,    1,     2,        5, \r\n"  // the text 7 is listed already
            "   200,    1,     2,        5, \r\n");
  TGroupList groups(dir.file("group.txt"));
  const std::vector<TValueEntry> restric = UserRestricEntries(&groups);
  ASSERT_EQ(restric.size(), 65u);
  EXPECT_EQ(restric[0].text + restric[60].text + restric[61].text, "Always60Never");
  EXPECT_EQ(restric[62].text + "=" + std::to_string(restric[62].value), "120=120");
  EXPECT_EQ(restric[63].text + "=" + std::to_string(restric[63].value), "0100=100");
  EXPECT_EQ(restric[64].text, "200");
  EXPECT_EQ(UserRestricEntries(nullptr).size(), 62u);
  EXPECT_EQ(UserRejectEntries().size(), 222u);

  struct Case {
    const char *tz, *reject, *authority;
    int restricAt, rejectAt, authorityAt;
    const char *tzSaved, *rejectSaved, *authoritySaved;
  } cases[] = {
      {"0", "0", "0", 0, 0, 0, "0", "0", "0"},
      {"61", "250", "5", 61, 221, 5, "61", "250", "5"},
      {"120", "30", "3", 62, 1, 3, "120", "30", "3"},
      {"100", "", "", 63, -1, -1, "100", "", ""},  // group 100 listed as 0100
      {"130", "29", "6", -1, -1, -1, "", "", ""},  // not listed: no selection, stored empty
      {"", "x", "-1", -1, -1, -1, "", "", ""},
      {"007", "030", "", 7, 1, -1, "7", "30", ""},
  };
  for (const Case& c : cases) {
    TUser u;
    u.SetID("42");
    u.SetTZ(c.tz);
    u.SetRejectOvr(c.reject);
    u.SetAuthority(c.authority);
    u.SetComment("Night shift");
    TUserFields onScreen;
    onScreen.id = "42";
    onScreen.idSelected = true;
    const TUserFields f = UserToFields(&u, restric, onScreen);
    EXPECT_EQ(f.restric, c.restricAt) << c.tz;
    EXPECT_EQ(f.reject, c.rejectAt) << c.reject;
    EXPECT_EQ(f.authority, c.authorityAt) << c.authority;
    EXPECT_EQ(f.comment, "Night shift");
    const TUser back = UserFromFields(f, restric);
    EXPECT_EQ(back.ID() + "|" + back.TZ() + "|" + back.RejectOvr() + "|" + back.Authority(),
              std::string("42|") + c.tzSaved + "|" + c.rejectSaved + "|" + c.authoritySaved);
  }
  const TUserFields none = UserToFields(nullptr, restric, TUserFields{"9", false, 3, 4, 5, "x"});
  EXPECT_EQ(none.restric + none.reject + none.authority, -3);
  EXPECT_EQ(none.comment, "");
  EXPECT_EQ(none.id, "9");
}

// Saving finds the user by the list's rule, keeps the field no dialog shows, and appends a
// new number; deleting frees the padded ID's first user.idx line, nothing else.
TEST(UserFields, SaveAndDeleteWithTheIndexSlot) {
  zv::testing::TTempDir dir;
  WriteFile(dir.file("user.txt"),
            "0000000123,   5,         0,     keep,         1, Old\r\n"
            "        77,   0,         0,         ,         0, Other\r\n");
  TUserList users(dir.file("user.txt"));
  TUser fresh;
  fresh.SetID("123");
  fresh.SetTZ("7");
  fresh.SetComment("New");
  bool added = true;
  TUser* stored = UserStore(users, fresh, nullptr, added);
  EXPECT_FALSE(added);
  EXPECT_EQ(stored, users.FindUser("123"));
  EXPECT_EQ(users.FindUser("0000000123"), nullptr);  // it takes the ID as typed
  ASSERT_TRUE(users.Save());
  EXPECT_EQ(ReadFile(dir.file("user.txt")),
            "        123,   7,          ,     keep,          , New\r\n"
            "         77,   0,         0,         ,         0, Other\r\n");
  fresh.SetID("5");
  UserStore(users, fresh, nullptr, added);
  EXPECT_TRUE(added);
  EXPECT_EQ(users.Count(), 3);
  // Of two users with one ID, the one shown is the one saved.
  TUser* second = users.SaveUser(std::make_unique<TUser>());
  second->SetID("5");
  fresh.SetComment("Second");
  bool renamed = true;
  EXPECT_EQ(UserStore(users, fresh, second, added, &renamed), second);
  EXPECT_FALSE(added || renamed);
  EXPECT_EQ(users.FindUser("5")->Comment(), "New");
  EXPECT_EQ(second->Comment(), "Second");
  fresh.SetID("77");
  EXPECT_EQ(UserStore(users, fresh, second, added, &renamed), users.FindUser("77"));
  fresh.SetID("0077");
  UserStore(users, fresh, nullptr, added, &renamed);
  EXPECT_FALSE(renamed);  // "0077" does not find "77": a new user
  EXPECT_TRUE(added);

  const std::string kIndex = "0000000077\r\n0000000123\r\n0\r\n0000000123\r\nabc\r\n";
  struct Case {
    const char* name;
    std::string index;  // "-" no file
    std::string id;
    TMsgButton answer;
    std::string after;  // "=" unchanged
    int usersLeft;
  } cases[] = {
      {"freed", kIndex, " 123 ", mbYes,
       "0000000077\r\n0         \r\n0\r\n0000000123\r\nabc\r\n", 2},
      {"No", kIndex, "123", mbNo, "=", 3},
      {"not in the index", kIndex, "5", mbYes, "=", 2},
      {"no index", "-", "77", mbYes, "-", 2},
      {"not in the list, still freed", kIndex, "77", mbYes,
       "0         \r\n0000000123\r\n0\r\n0000000123\r\nabc\r\n", 2},
      {"hand-edited line ends", "0000000123\n0000000077", "123", mbYes,
       "0         \r\n0000000077\r\n", 2},
  };
  for (const Case& c : cases) {
    zv::testing::TTempDir d;
    WriteFile(d.file("user.txt"),
              "  123, 0, 0, , 0, a\r\n   77, 0, 0, , 0, b\r\n    5, 0, 0, , 0, c\r\n");
    if (c.index != "-") WriteFile(d.file("user.idx"), c.index);
    TUserList list(d.file("user.txt"));
    if (std::string(c.name) == "not in the list, still freed") list.DeleteUser(list.FindUser("77"));
    TScriptedMessageBoxes boxes;
    boxes.Answer(c.answer);
    const TUser* inList = list.FindUser(TrimBlanks(c.id));
    const TUser* told = reinterpret_cast<const TUser*>(1);
    UserDelete(list, c.id, d.dir(), [&](const TUser* u) { told = u; });
    ASSERT_EQ(boxes.shown.size(), 1u) << c.name;
    EXPECT_EQ(boxes.shown[0].text,
              "Are you sure you want to permanently delete user number " +
                  std::string(c.id == " 123 " ? "123" : c.id) + "?");
    EXPECT_EQ(list.Count(), c.usersLeft) << c.name;
    if (c.answer == mbYes) {
      EXPECT_EQ(told, inList) << c.name;
    }
    const std::string expected = c.after == "=" ? c.index : c.after;
    if (expected == "-") {
      EXPECT_FALSE(PathExists(d.file("user.idx"))) << c.name;
    } else {
      EXPECT_EQ(ReadFile(d.file("user.idx")), expected) << c.name;
    }
  }
}

// The Global dialog's checks, and exactly the chosen fields copied, the ID never.
TEST(UserFields, BulkChangeFields) {
  EXPECT_EQ(*GlobalValidate(TGlobalChoice{}, true),
            (TCheckFailure{"Must choose an item to apply.", ""}));
  TGlobalChoice comment;
  comment.comment = true;
  EXPECT_EQ(*GlobalValidate(comment, false),
            (TCheckFailure{"No users selected. Please select a user to apply changes to.",
                           "btnUsers"}));
  EXPECT_FALSE(GlobalValidate(comment, true));

  auto make = [](const char* id, const char* tz, const char* rej, const char* auth,
                 const char* cmt) {
    TUser u;
    u.SetID(id);
    u.SetTZ(tz);
    u.SetRejectOvr(rej);
    u.SetAuthority(auth);
    u.SetComment(cmt);
    return u;
  };
  auto text = [](const TUser& u) {
    return u.ID() + "," + u.TZ() + "," + u.RejectOvr() + "," + u.Authority() + "," + u.Comment();
  };
  struct Case {
    TGlobalChoice choice;
    std::string other;
  } cases[] = {
      {{true, false, false, false}, "2,120,40,1,b"},
      {{false, true, false, false}, "2,3,250,1,b"},
      {{false, false, true, false}, "2,3,40,5,b"},
      {{false, false, false, true}, "2,3,40,1,T"},
      {{true, true, true, true}, "2,120,250,5,T"},
  };
  for (const Case& c : cases) {
    TUser tmpl = make("1", "120", "250", "5", "T");
    TUser other = make("2", "3", "40", "1", "b");
    TUser untouched = make("3", "3", "40", "1", "c");
    ApplyGlobal(tmpl, c.choice, {&other, &tmpl});
    EXPECT_EQ(text(other), c.other);
    EXPECT_EQ(text(tmpl), "1,120,250,5,T");
    EXPECT_EQ(text(untouched), "3,3,40,1,c");
  }
  EXPECT_EQ(UserLine(make("1234567", "", "", "", "Night shift")), "0001234567 Night shift");
}

}  // namespace
}  // namespace zv
