#include "app/userslist.h"

#include <QPlainTextEdit>
#include <algorithm>
#include <climits>

#include "app/frmzorvan.h"
#include "data/mystringlist.h"
#include "data/user.h"
#include "data/userlist.h"
#include "util/clock.h"
#include "util/fileio.h"
#include "util/msgbox.h"
#include "util/text.h"

namespace zv {

namespace {

constexpr std::size_t kRecordSize = 24;
constexpr std::size_t kSpecialByte = 5;

// A field read as an integer; a non-number, or one outside 32 bits, counts as 0.
long long IntField(const std::string& s) {
  long long v = StrToIntDef(s, 0);
  return v < INT_MIN || v > INT_MAX ? 0 : v;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    return lower(static_cast<unsigned char>(x)) < lower(static_cast<unsigned char>(y));
  });
}

}  // namespace

TTemplateLookup::TTemplateLookup(const std::vector<std::string>& indexLines, std::string userDat)
    : userDat_(std::move(userDat)) {
  lowerIndex_.reserve(indexLines.size());
  for (const std::string& l : indexLines) lowerIndex_.push_back(LowerAscii(l));
  order_.resize(lowerIndex_.size());
  for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = i;
  std::stable_sort(order_.begin(), order_.end(),
                   [&](std::size_t a, std::size_t b) { return lowerIndex_[a] < lowerIndex_[b]; });
}

const char* TTemplateLookup::Template(const std::string& paddedId) const {
  const std::string key = LowerAscii(paddedId);
  auto before = [&](std::size_t i, const std::string& k) { return lowerIndex_[i] < k; };
  auto it = std::lower_bound(order_.begin(), order_.end(), key, before);
  if (it == order_.end() || lowerIndex_[*it] != key) return "No";
  const std::size_t offset = *it * kRecordSize;
  // A record cut short by the end of user.dat holds no template that could be restored.
  if (offset + kRecordSize > userDat_.size()) return "No";
  return static_cast<unsigned char>(userDat_[offset + kSpecialByte]) == 255 ? "Special" : "Yes";
}

std::string UsersListLine(const TUser& u, const TTemplateLookup& templates) {
  const std::string id = u.PaddedId();
  const long long tz = IntField(u.TZ());
  const long long reject = IntField(u.RejectOvr());
  const std::string restriction =
      tz == 0 ? "Always Punch" : tz == 61 ? "Never Punch" : std::to_string(tz);
  const std::string rejectText = reject == 0 ? "Default" : std::to_string(reject);
  return id + "  " + PadRight(templates.Template(id), 8) + "  " + PadRight(restriction, 12) +
         "  " + PadLeft(rejectText, 7) + "  " + u.Comment();
}

std::vector<std::string> UsersListReport(const TUserList& users, const TTemplateLookup& templates,
                                         const std::tm& local) {
  std::vector<std::string> lines;
  for (int i = 0; i < users.Count(); ++i) {
    if (const auto* u = dynamic_cast<const TUser*>(users.Objects(i))) {
      lines.push_back(UsersListLine(*u, templates));
    }
  }
  std::stable_sort(lines.begin(), lines.end(), LessIgnoringCase);
  char when[32];
  std::strftime(when, sizeof when, "%m/%d/%y %H:%M", &local);
  const std::string rule =
      "----------  --------  ------------  -------  -----------------------------------";
  lines.insert(lines.begin(), {Centre(std::string("User List ") + when, 60), "",
                               "User Id     Template  Restriction    Reject  Comment", rule});
  return lines;
}

void ShowUsersList(TfrmZorvan& frm) {
  if (!frm.QuerySaveEditor()) return;
  if (!frm.Users) return;
  const std::string dat = frm.DataPath + "user.dat";
  // user.dat is made when missing, as every user of it does; the report only reads it.
  if (!CreateFileIfMissing(dat)) {
    ShowWarning("Unable to create file " + dat);
    return;
  }
  std::string datBytes, idxBytes;
  ReadWholeFile(dat, datBytes);
  std::vector<std::string> index;
  if (ReadWholeFile(frm.DataPath + "user.idx", idxBytes) == TReadResult::Ok) {
    index = SplitTextLines(idxBytes);
  }
  TTemplateLookup templates(index, std::move(datBytes));
  frm.SetDocumentLines(UsersListReport(*frm.Users, templates, LocalNow()));
  frm.lb->document()->setModified(false);
}

}  // namespace zv
