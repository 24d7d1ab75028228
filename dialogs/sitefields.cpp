#include "dialogs/sitefields.h"

#include "util/text.h"

namespace zv {

const std::vector<std::string>& SiteTzEntries() {
  static const std::vector<std::string> entries = [] {
    std::vector<std::string> e;
    for (int h = -23; h <= 23; ++h) e.push_back(std::to_string(h));
    return e;
  }();
  return entries;
}

const std::vector<std::string>& SiteComEntries() {
  static const std::vector<std::string> entries{"COM 1", "COM 2", "COM 3", "COM 4"};
  return entries;
}

const std::vector<std::string>& SiteBaudEntries() {
  static const std::vector<std::string> entries{"1200", "2400", "4800", "9600"};
  return entries;
}

namespace {

int PositionOf(const std::vector<std::string>& entries, const std::string& text,
               bool ignoreCase = false) {
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (ignoreCase ? EqualsIgnoreCaseAscii(entries[i], text) : entries[i] == text)
      return static_cast<int>(i);
  return -1;
}

std::string EntryAt(const std::vector<std::string>& entries, int i) {
  return i >= 0 && i < static_cast<int>(entries.size()) ? entries[i] : std::string();
}

TCheck IpByte(const std::string& text, bool required, const std::string& focus) {
  if (!Filled(text) && !required) return std::nullopt;
  const long long v = ValueOf(text, -1);
  if (v < 0 || v > 255) return Fails("Invalid IP byte. Please enter a number from 0 to 255.", focus);
  return std::nullopt;
}

}  // namespace

TSiteFields SiteToFields(const TSite* site, const std::vector<std::string>& inits,
                         const TSiteFields& onScreen) {
  TSiteFields f;
  f.site = onScreen.site;
  f.siteSelected = onScreen.siteSelected;
  if (!site) return f;
  f.desc = site->Description();
  if (!site->Tza().empty())
    f.tz = PositionOf(SiteTzEntries(), std::to_string(ValueOf(site->Tza(), 0)));
  if (!site->Port().empty()) {
    const long long port = ValueOf(site->Port(), 1);
    f.com = port >= 1 && port <= 4 ? static_cast<int>(port - 1) : -1;
  }
  if (!site->Baud().empty())
    f.baud = PositionOf(SiteBaudEntries(), std::to_string(ValueOf(site->Baud(), 9600)));
  if (!site->Init().empty()) {
    // A stored at&f shows the entry AT&F; a string that is no entry shows as typed.
    const int i = PositionOf(inits, site->Init(), true);
    f.initSelected = i >= 0;
    f.init = i >= 0 ? inits[i] : site->Init();
  }
  f.dial = site->Dial();
  f.phone = site->Phone();
  if (!site->IpAddress().empty())
    for (int n = 0; n < 4; ++n) f.ip[n] = WordAt(n + 1, site->IpAddress(), ".");
  return f;
}

TSite SiteFromFields(const TSiteFields& f) {
  TSite s;
  s.SetSite(Trimmed(f.site));
  s.SetDescription(Trimmed(f.desc));
  s.SetPort(f.com >= 0 && f.com < 4 ? std::to_string(f.com + 1) : std::string());
  s.SetBaud(EntryAt(SiteBaudEntries(), f.baud));
  s.SetInit(f.initSelected ? f.init : Trimmed(f.init));
  s.SetDial(Trimmed(f.dial));
  s.SetPhone(Trimmed(f.phone));
  s.SetTza(EntryAt(SiteTzEntries(), f.tz));
  bool any = false;
  for (const std::string& part : f.ip) any = any || Filled(part);
  if (any) {
    std::string ip;
    for (int n = 0; n < 4; ++n) {
      if (n) ip += '.';
      ip += std::to_string(ValueOf(f.ip[n], 0));
    }
    s.SetIpAddress(ip);
  }
  return s;
}

TCheck SiteValidate(const TSiteFields& f) {
  if (!f.siteSelected && !Filled(f.site)) return Fails("Must enter a site number.", "cbxSites");
  const long long site = ValueOf(f.site, 0);
  if (site < 1 || site > 999)
    return Fails("Invalid site number. Please enter a number from 1 to 999.", "cbxSites");
  if (f.init.find(',') != std::string::npos)
    return Fails("Commas not allowed in modem initialization string.", "cbxInit");
  for (char c : Trimmed(f.phone))
    if ((c < '0' || c > '9') && c != ',')
      return Fails("Invalid phone number. No punctuation or special characters allowed.",
                   "edtPhone");
  const bool first = Filled(f.ip[0]);
  if (TCheck c = IpByte(f.ip[0], false, "edtIP1")) return c;
  if (TCheck c = IpByte(f.ip[1], first, "edtIP2")) return c;
  if (TCheck c = IpByte(f.ip[2], first, "edtIP3")) return c;
  if (TCheck c = IpByte(f.ip[3], first, "edtIP4")) return c;
  return NoCommas(f.desc, "description", "edtDesc");
}

TSite* SiteStore(TSiteList& sites, const TSite& fresh, TSite* shown, bool& added) {
  added = false;
  if (shown && shown->Site() == fresh.Site() && sites.IndexOfObject(shown) >= 0) {
    shown->CopyFrom(fresh);
    sites.Modified = true;
    return shown;
  }
  added = sites.FindSite(fresh.Site()) == nullptr;
  return sites.SaveSite(fresh);
}

bool SiteDelete(TSiteList& sites, TClockList* clocks, const std::string& number,
                const std::function<void(const TSite*)>& removing) {
  const std::string site = Trimmed(number);
  if (site.empty()) return true;
  // The clock list may be none (its file could not be loaded): then no clock uses the site.
  if (clocks && clocks->SiteHasClocks(site)) {
    ShowWarning("Site " + site +
                " has clock assignments. You must first delete all clocks assigned to this "
                "site.");
    return false;
  }
  if (AskQuestion("Are you sure you want to permanently delete site number " + site + "?",
                  mbYes | mbNo) != mbYes)
    return true;
  TSite* found = sites.FindSite(site);
  removing(found);
  if (found) sites.DeleteSite(found);
  return true;
}

}  // namespace zv
