// The Groups dialog without its widgets: what its controls hold, the entry shown in them and
// taken from them, the entry checks, the group numbers on offer and the three deletes.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "data/grouplist.h"
#include "dialogs/editorcore.h"

namespace zv {

// cbxTimeZone: position 0 "Always", 1 to 60 their numbers, 61 "Never".
const std::vector<std::string>& GroupTimeZoneEntries();
// The distinct group numbers of the list in order of first appearance, each with its first
// entry (cbxGroups).
std::vector<std::pair<std::string, TGroup*>> GroupNumbers(TGroupList& groups);

// What the controls hold. The drop-down lists are their selected entry's text and whether
// one is selected; cbxTimeZone its position (-1 none).
struct TGroupFields {
  std::string group;  // cbxGroups, as typed
  bool groupSelected = false;
  std::string site;  // cbxSites
  bool siteSelected = false;
  std::string clock;  // cbxClocks
  bool clockSelected = false;
  int timeZone = -1;    // cbxTimeZone
  std::string comment;  // edtComment, as typed
};

// The time zone position an entry's text selects: its value 0 to 61, else -1 (also empty).
int GroupTimeZonePosition(const std::string& timeZone);
// A fresh entry from the fields.
TGroup GroupFromFields(const TGroupFields& f);
// The checks in order; the first failure.
TCheck GroupValidate(const TGroupFields& f);

// The entry stored into the list: copied into the entry shown when it has the same group,
// site and clock (of two such lines, the one being edited), else into the entry with them,
// or appended (then `added` is set). Answers the list's record. The file is not written.
TGroup* GroupStore(TGroupList& groups, const TGroup& fresh, TGroup* shown, bool& added);

// Delete by what is on screen (texts as typed; trimmed here): with a clock the one entry,
// else with a site the group's entries at that site, else the whole group, each after its
// question. Nothing to delete, or No, changes nothing. The dialog refreshes in every case.
void GroupDelete(TGroupList& groups, const std::string& group, const std::string& site,
                 const std::string& clock);

}  // namespace zv
