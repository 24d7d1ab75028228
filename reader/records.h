// The engine's one view of the data-file records and lists, so that the operations read
// sites and clocks in a single way.
#pragma once
#include <string>
#include <vector>

#include "data/clock.h"
#include "data/clocklist.h"
#include "data/site.h"
#include "data/sitelist.h"
#include "data/userlist.h"

namespace zv {

inline std::string SiteNo(const TSite& s) { return s.Site(); }
inline std::string SitePort(const TSite& s) { return s.Port(); }
inline std::string SiteBaud(const TSite& s) { return s.Baud(); }
inline std::string SiteInit(const TSite& s) { return s.Init(); }
inline std::string SiteDial(const TSite& s) { return s.Dial(); }
inline std::string SitePhone(const TSite& s) { return s.Phone(); }
inline std::string SiteIpAddress(const TSite& s) { return s.IpAddress(); }
inline int SiteConnectionType(const TSite& s) { return s.ConnectionType(); }

inline std::string ClockSite(const TClock& c) { return c.Site(); }
inline std::string ClockNo(const TClock& c) { return c.Clock(); }

inline TClock* FindClockOf(TClockList& list, const std::string& site, const std::string& clock) {
  return list.FindClock(site, clock);
}
inline std::vector<TClock*> ClocksOf(TClockList& list, const std::string& site) {
  std::vector<TClock*> out;
  list.GetClocks(site, out);
  return out;
}
inline bool SiteHasClocksIn(TClockList& list, const std::string& site) {
  return list.SiteHasClocks(site);
}

inline TSite* FindSiteIn(TSiteList& list, const std::string& site) { return list.FindSite(site); }
inline std::vector<TSite*> SitesOf(const TSiteList& list) {
  std::vector<TSite*> out;
  list.GetSites(out);
  return out;
}

}  // namespace zv
