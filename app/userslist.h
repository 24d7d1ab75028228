// The Users List report: one fixed-width line per user of user.txt with the template state
// from user.dat and user.idx, sorted, under a centred dated title.
#pragma once
#include <ctime>
#include <string>
#include <vector>

namespace zv {

class TfrmZorvan;
class TUser;
class TUserList;

// The Template column: "No" when the padded ID is not a line of the index (letter case
// ignored) or its 24-byte record does not lie wholly in `userDat`; "Special" when the
// record's byte 5 is 255; else "Yes".
class TTemplateLookup {
 public:
  TTemplateLookup(const std::vector<std::string>& indexLines, std::string userDat);
  const char* Template(const std::string& paddedId) const;

 private:
  std::vector<std::string> lowerIndex_;
  std::vector<std::size_t> order_;  // positions of lowerIndex_ sorted by text, first line first
  std::string userDat_;
};

// The report line of one user: ID, Template, Restriction, Reject, Comment.
std::string UsersListLine(const TUser& user, const TTemplateLookup& templates);
// The whole report as the document shows it, title made from `local`.
std::vector<std::string> UsersListReport(const TUserList& users, const TTemplateLookup& templates,
                                         const std::tm& local);

// The View menu's Users List: reads the files of the data directory into the document.
void ShowUsersList(TfrmZorvan& frm);

}  // namespace zv
