// The Sites dialog without its widgets: what its controls hold, the record shown in them
// and taken from them, the entry checks, and the save and delete on the site list.
#pragma once
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/clocklist.h"
#include "data/sitelist.h"
#include "dialogs/editorcore.h"

namespace zv {

// The fixed entries of the drop-down lists: -23 to 23, "COM 1" to "COM 4", the four speeds.
const std::vector<std::string>& SiteTzEntries();
const std::vector<std::string>& SiteComEntries();
const std::vector<std::string>& SiteBaudEntries();

// What the controls hold. A drop-down list is its selected position (-1 none); an editable
// combo box is its text and whether that text is a selected entry.
struct TSiteFields {
  std::string site;  // cbxSites
  bool siteSelected = false;
  std::string desc;  // edtDesc
  int tz = -1;       // cbxTz
  int com = -1;      // cbxCom
  int baud = -1;     // cbxBaud
  std::string init;  // cbxInit
  bool initSelected = false;
  std::string dial, phone;       // edtDial, edtPhone
  std::array<std::string, 4> ip;  // edtIP1 .. edtIP4
};

// The fields of a site (none: all empty) as the refresh shows them; the site box is left
// as it is. `inits` are the entries of cbxInit in box order.
TSiteFields SiteToFields(const TSite* site, const std::vector<std::string>& inits,
                         const TSiteFields& onScreen);
// A fresh site from the fields.
TSite SiteFromFields(const TSiteFields& f);
// The checks in order; the first failure.
TCheck SiteValidate(const TSiteFields& f);

// The site stored into the list: copied into the site with its number, or appended (then
// `added` is set). Answers the list's record. The file is not written. `shown` is the record
// on screen: when it has the fresh number it is the one that takes the fields, so that of
// two sites with one number in a hand-edited file the one edited is the one changed.
TSite* SiteStore(TSiteList& sites, const TSite& fresh, TSite* shown, bool& added);

// Delete of the site number on screen (trimmed): refused while a clock uses it (the
// warning is shown, and the answer is false: no refresh); else asked, and on Yes the site
// is removed from the list after `removing` was told which record goes (which may be
// none when the number is not in the list). True: the dialog refreshes.
bool SiteDelete(TSiteList& sites, TClockList* clocks, const std::string& number,
                const std::function<void(const TSite*)>& removing);

}  // namespace zv
