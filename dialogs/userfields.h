// The Users dialog and its bulk change without their widgets: what the controls hold, the
// user shown in them and taken from them, the entry checks, the save, the delete with its
// user.idx slot, and the fields a bulk change copies.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "data/grouplist.h"
#include "data/userlist.h"
#include "dialogs/editorcore.h"

namespace zv {

// An entry of a drop-down list that stands for a number.
struct TValueEntry {
  std::string text;
  long long value;
};

// cbxRestric: "Always", 1 to 60, "Never", then the group numbers of the list (none: no
// groups) in order of first appearance. Only whole numbers are offered: a user's time zone
// or group is stored as a number, so a group that is not one cannot be chosen.
std::vector<TValueEntry> UserRestricEntries(TGroupList* groups);
// cbxReject: "Default" (0), then 30 to 250.
const std::vector<TValueEntry>& UserRejectEntries();
// cbxAuthority, by level 0 to 5.
const std::vector<std::string>& UserAuthorityEntries();

// What the controls hold; a drop-down list is its selected position (-1 none).
struct TUserFields {
  std::string id;  // cbxUsers, as typed
  bool idSelected = false;
  int restric = -1;    // cbxRestric
  int reject = -1;     // cbxReject
  int authority = -1;  // cbxAuthority
  std::string comment;
};

// The fields of a user (none: all empty); the ID box is left as it is.
TUserFields UserToFields(const TUser* user, const std::vector<TValueEntry>& restric,
                         const TUserFields& onScreen);
// A fresh user from the fields.
TUser UserFromFields(const TUserFields& f, const std::vector<TValueEntry>& restric);
// The checks in order; the first failure.
TCheck UserValidate(const TUserFields& f);

// The user stored into the list: the user shown when its ID is the one saved (of two users
// with one ID, the one being edited), else the user with that ID by the list's find rule,
// takes the new ID, restriction, reject override, authority and comment, and keeps its
// Reserved field, which no dialog shows; else the user is appended (then `added` is set).
// Answers the list's record; `renamed` tells that it was found without the leading zeros of
// its ID and holds the ID as typed now. The file is not written.
TUser* UserStore(TUserList& users, const TUser& fresh, TUser* shown, bool& added,
                 bool* renamed = nullptr);

// Delete of the ID on screen (trimmed), after its question: the user with that ID leaves the
// list (`removing` is told first, with none when no user has it), and the ID's line of
// user.idx in `dataPath`, zero-filled to 10 characters, becomes a free slot. The dialog
// refreshes whatever the answer.
void UserDelete(TUserList& users, const std::string& id, const std::string& dataPath,
                const std::function<void(const TUser*)>& removing);

enum class TIndexFree { NotListed, Freed, Failed };
// Frees the first line of user.idx naming the ID; the rest of the file stays as it is. A
// missing or unreadable index, or one without the ID, is left alone.
TIndexFree FreeUserIndexLine(const std::string& dataPath, const std::string& paddedId);

// The line of a user in the Select Users and Confirm lists: the zero-filled ID and comment.
std::string UserLine(const TUser& user);

// The fields the Global dialog's check boxes choose.
struct TGlobalChoice {
  bool timeZone = false, reject = false, authority = false, comment = false;
  bool Any() const { return timeZone || reject || authority || comment; }
};
// The Global dialog's OK: a field and a user must be chosen. The first message keeps the
// focus where it is (no control named).
TCheck GlobalValidate(const TGlobalChoice& choice, bool anyUserSelected);
// Copies the chosen fields of the template onto each user; the ID never.
void ApplyGlobal(const TUser& tmpl, const TGlobalChoice& choice, const std::vector<TUser*>& users);

}  // namespace zv
