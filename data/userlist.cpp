#include "data/userlist.h"

#include <utility>

#include "data/recordindex.h"
#include "util/numbers.h"
#include "util/text.h"

namespace zv {

const char* const TUserList::kHeader1 =
    ".ID          TZ   RejectOvr  Reserved  Authority  Comment";
const char* const TUserList::kHeader2 =
    ".----------  ---  ---------  --------  ---------  -----------------";

TUserList::TUserList(std::string fileName) : TMyStringList(std::move(fileName)) { Load(); }

TUserList::~TUserList() { SaveIfModified(); }

void TUserList::HandleEFOpenError() {
  Add(kHeader1);
  Add(kHeader2);
  TMyStringList::HandleEFOpenError();
}

std::unique_ptr<TRecord> TUserList::ObjFromStr(const std::string& text) {
  std::vector<std::string> f = RecordFields(text, 6);
  auto u = std::make_unique<TUser>();
  u->id_ = std::move(f[0]);
  u->tz_ = std::move(f[1]);
  u->rejectOvr_ = std::move(f[2]);
  u->reserved_ = std::move(f[3]);
  u->authority_ = std::move(f[4]);
  u->comment_ = std::move(f[5]);
  if (!u->authority_.empty()) {
    long long level;
    if (ParseInt(u->authority_, level) && level >= 0 && level <= 5) {
      u->authority_ = std::to_string(level);
    } else {
      // Lines without an authority column: what stands there is the comment, perhaps cut
      // at one of its commas.
      u->comment_ = u->comment_.empty() ? u->authority_ + " " : u->authority_ + ", " + u->comment_;
      u->authority_.clear();
    }
  }
  return u;
}

std::string TUserList::StrFromObj(const TRecord& obj) {
  const auto& u = static_cast<const TUser&>(obj);
  std::string r;
  r.reserve(64 + u.comment_.size());
  r += PadLeft(LineSafe(u.id_), 11) + ", ";
  r += PadLeft(LineSafe(u.tz_), 3) + ", ";
  r += PadLeft(LineSafe(u.rejectOvr_), 9) + ", ";
  r += PadLeft(LineSafe(u.reserved_), 8) + ", ";
  r += PadLeft(LineSafe(u.authority_), 9) + ", ";
  r += LineSafe(u.comment_);
  return r;
}

void TUserList::IndexOne(TUser* u) {
  // emplace keeps an earlier user: the first in file order wins for both of its texts.
  const std::string& id = u->ID();
  byId_.emplace(id, u);
  // Most IDs are already normal (no leading "0", no blanks at the ends, not over-long).
  bool normal = !id.empty() && id.size() <= kMaxText && id[0] != '0' &&
                static_cast<unsigned char>(id.front()) > 32 &&
                static_cast<unsigned char>(id.back()) > 32;
  if (normal) return;
  std::string n = NormalizeNumber(id);
  if (n != id) byId_.emplace(std::move(n), u);
}

void TUserList::StrsFromObjs() {
  index_.KeepAcross(*this, [this] { TMyStringList::StrsFromObjs(); });
}

void TUserList::EnsureIndex() {
  index_.Ensure<TUser>(*this, [this] {
    byId_.clear();
    byId_.reserve(static_cast<std::size_t>(Count()));
  }, [this](TUser* r) { IndexOne(r); });
}

TUser* TUserList::FindUser(const std::string& id) {
  EnsureIndex();
  auto it = byId_.find(id);
  return it == byId_.end() ? nullptr : it->second;
}

TUser* TUserList::SaveUser(std::unique_ptr<TUser> user) {
  return index_.Save(
      *this, std::move(user), [this](const TUser& r) { return FindUser(r.ID()); },
      [this](TUser* r) { IndexOne(r); });
}

TUser* TUserList::SaveUser(const TUser& user) { return SaveUser(std::make_unique<TUser>(user)); }

bool TUserList::DeleteUser(const TUser* user) { return DeleteRecordLine(*this, user); }

}  // namespace zv
