#include "dialogs/userfields.h"

#include <unordered_set>

#include "reader/userstore.h"
#include "util/fileio.h"
#include "util/text.h"

namespace zv {

namespace {

int PositionOf(const std::vector<TValueEntry>& entries, long long value) {
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i].value == value) return static_cast<int>(i);
  return -1;
}

int PositionOfText(const std::vector<TValueEntry>& entries, const std::string& text) {
  return text.empty() ? -1 : PositionOf(entries, ValueOf(text, -1));
}

std::string ValueText(const std::vector<TValueEntry>& entries, int position) {
  if (position < 0 || position >= static_cast<int>(entries.size())) return "";
  return std::to_string(entries[position].value);
}

}  // namespace

std::vector<TValueEntry> UserRestricEntries(TGroupList* groups) {
  std::vector<TValueEntry> v{{"Always", 0}};
  for (int n = 1; n <= 60; ++n) v.push_back({std::to_string(n), n});
  v.push_back({"Never", 61});
  if (!groups) return v;
  std::unordered_set<std::string> texts;
  for (const TValueEntry& e : v) texts.insert(e.text);
  for (int i = 0; i < groups->Count(); ++i) {
    auto* g = static_cast<TGroup*>(groups->Objects(i));
    long long value;
    if (!g || !ParseInt(g->Group(), value) || !texts.insert(g->Group()).second) continue;
    v.push_back({g->Group(), value});
  }
  return v;
}

const std::vector<TValueEntry>& UserRejectEntries() {
  static const std::vector<TValueEntry> entries = [] {
    std::vector<TValueEntry> v{{"Default", 0}};
    for (int n = 30; n <= 250; ++n) v.push_back({std::to_string(n), n});
    return v;
  }();
  return entries;
}

const std::vector<std::string>& UserAuthorityEntries() {
  static const std::vector<std::string> entries{"None",       "Service",    "Setup",
                                                "Management", "Enrollment", "Security"};
  return entries;
}

TUserFields UserToFields(const TUser* user, const std::vector<TValueEntry>& restric,
                         const TUserFields& onScreen) {
  TUserFields f;
  f.id = onScreen.id;
  f.idSelected = onScreen.idSelected;
  if (!user) return f;
  f.restric = PositionOfText(restric, user->TZ());
  f.reject = PositionOfText(UserRejectEntries(), user->RejectOvr());
  if (!user->Authority().empty()) {
    const long long a = ValueOf(user->Authority(), -1);
    f.authority = a >= 0 && a <= 5 ? static_cast<int>(a) : -1;
  }
  f.comment = user->Comment();
  return f;
}

TUser UserFromFields(const TUserFields& f, const std::vector<TValueEntry>& restric) {
  TUser u;
  u.SetID(Trimmed(f.id));
  u.SetTZ(ValueText(restric, f.restric));
  u.SetRejectOvr(ValueText(UserRejectEntries(), f.reject));
  u.SetAuthority(f.authority >= 0 && f.authority <= 5 ? std::to_string(f.authority) : "");
  u.SetComment(Trimmed(f.comment));
  return u;
}

TCheck UserValidate(const TUserFields& f) {
  if (!f.idSelected && Trimmed(f.id).empty()) return Fails("Must enter a user number.", "cbxUsers");
  // As typed: a blank in front is refused too.
  bool digits = f.id.size() <= 10;
  for (char c : f.id) digits = digits && c >= '0' && c <= '9';
  if (!digits)
    return Fails("Invalid user number. Please enter a number from 0 to 9999999999", "cbxUsers");
  return NoCommas(Trimmed(f.comment), "comment", "edtComment");
}

TUser* UserStore(TUserList& users, const TUser& fresh, TUser* shown, bool& added,
                 bool* renamed) {
  TUser* found = shown && shown->ID() == fresh.ID() && users.IndexOfObject(shown) >= 0
                     ? shown
                     : users.FindUser(fresh.ID());
  added = found == nullptr;
  if (renamed) *renamed = found && found->ID() != fresh.ID();
  if (added) return users.SaveUser(fresh);
  found->SetID(fresh.ID());
  found->SetTZ(fresh.TZ());
  found->SetRejectOvr(fresh.RejectOvr());
  found->SetAuthority(fresh.Authority());
  found->SetComment(fresh.Comment());
  users.Modified = true;
  return found;
}

TIndexFree FreeUserIndexLine(const std::string& dataPath, const std::string& paddedId) {
  const std::string index = dataPath + "user.idx";
  // The store would create a missing index; a missing one is to be left alone.
  if (!PathExists(index)) return TIndexFree::NotListed;
  try {
    TUserStore store(dataPath + "user.dat");
    if (store.LoadIndex(index) != TUserStore::TIndexLoad::Ok) return TIndexFree::NotListed;
    if (store.SlotOf(paddedId) < 0) return TIndexFree::NotListed;
    return store.Free(paddedId) ? TIndexFree::Freed : TIndexFree::Failed;
  } catch (const EZvFileError&) {
    return TIndexFree::NotListed;
  }
}

void UserDelete(TUserList& users, const std::string& id, const std::string& dataPath,
                const std::function<void(const TUser*)>& removing) {
  const std::string number = Trimmed(id);
  if (number.empty()) return;
  if (AskQuestion("Are you sure you want to permanently delete user number " + number + "?",
                  mbYes | mbNo) != mbYes)
    return;
  TUser* found = users.FindUser(number);
  removing(found);
  if (found) users.DeleteUser(found);
  // A slot left naming a deleted user would be restored to the readers again.
  if (FreeUserIndexLine(dataPath, PadLeft(number, 10, '0')) == TIndexFree::Failed)
    ShowWarning("Unable to save " + dataPath + "user.idx.");
}

std::string UserLine(const TUser& user) { return user.PaddedId() + " " + user.Comment(); }

TCheck GlobalValidate(const TGlobalChoice& choice, bool anyUserSelected) {
  if (!choice.Any()) return Fails("Must choose an item to apply.", "");
  if (!anyUserSelected)
    return Fails("No users selected. Please select a user to apply changes to.", "btnUsers");
  return std::nullopt;
}

void ApplyGlobal(const TUser& tmpl, const TGlobalChoice& choice, const std::vector<TUser*>& users) {
  // Copies of the template's fields: the template may be among the users.
  const TUser from(tmpl);
  for (TUser* u : users) {
    if (choice.timeZone) u->SetTZ(from.TZ());
    if (choice.reject) u->SetRejectOvr(from.RejectOvr());
    if (choice.authority) u->SetAuthority(from.Authority());
    if (choice.comment) u->SetComment(from.Comment());
  }
}

}  // namespace zv
