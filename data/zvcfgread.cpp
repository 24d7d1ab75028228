// The section readers of zv.cfg. A section runs from its opening line to its end line, or
// to the end of the file when it has none; the outer scan still opens every section.
#include <array>

#include "data/zvcfglist.h"
#include "util/numbers.h"
#include "util/text.h"

namespace zv {

namespace {

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool Contains(const std::string& s, const char* tag) { return s.find(tag) != std::string::npos; }

// Reader-section tags in the order a line is tested against them.
enum TRdrTag { kRdr, kPw, kRej, kLck, kBpr, kIdl, kTam, kTry, kDng, kDls, kHrt, kEnd, kRdrTags };
constexpr std::array<const char*, kRdrTags> kRdrTagText = {
    "#RDR", "#PW", "#REJ", "#LCK", "#BPR", "#IDL", "#TAM", "#TRY", "#DNG", "#DLS", "#HRT", "#END"};

std::string Field(int n, const std::string& s) { return TableField(n, s, " "); }

// A value holding "#" is a stray tag, not a value: written back it would open or end
// sections of its own, so such a line is not applied.
bool Writable(const std::string& v) { return v.find('#') == std::string::npos; }

void SetSimple(TReaderConfig& c, int tag, const std::string& v) {
  switch (tag) {
    case kRej: c.SetRejectThreshold(v); break;
    case kLck: c.SetLockControl(v); break;
    case kBpr: c.SetBeeper(v); break;
    case kIdl: c.SetIdLength(v); break;
    case kTam: c.SetPunchMode(v); break;
    case kTry: c.SetAccessTries(v); break;
    case kDng: c.SetBellSchedule(v); break;
    case kHrt: c.SetHourDisplay(v); break;
    default: break;
  }
}

void ApplyReaderTag(TReaderConfig& c, int tag, const std::string& s) {
  switch (tag) {
    case kRdr: {
      std::string clock = NormalizeNumber(Field(2, s)), site = NormalizeNumber(Field(3, s));
      // "#rdr" + clock + site cannot carry a site without a clock.
      if (!Writable(clock) || !Writable(site) || (clock.empty() && !site.empty())) return;
      c.SetClock(clock);
      c.SetSite(site);
      return;
    }
    case kPw: {
      long long n = StrToIntDef(NormalizeNumber(Field(2, s)), 0);
      std::string pw = Field(3, s);
      if (n >= 1 && n <= TReaderConfig::kPasswords && Writable(pw)) c.SetPassword(static_cast<int>(n), pw);
      return;
    }
    case kDls: {
      std::string a = Field(2, s), b = Field(3, s);
      if (!Writable(a) || !Writable(b)) return;
      TColonFields st = SplitColonFields(a), en = SplitColonFields(b);
      TReaderConfig t;
      t.SetDlsStart(st.a, st.b, st.c, st.d);
      t.SetDlsEnd(en.a, en.b, en.c, en.d);
      // Filling in missing parts lengthens the text; a line that would no longer be read
      // whole is not taken.
      if (t.DlsStart().size() + t.DlsEnd().size() + 6 > kMaxText) return;
      c.SetDlsStart(st.a, st.b, st.c, st.d);
      c.SetDlsEnd(en.a, en.b, en.c, en.d);
      return;
    }
    case kEnd:
      return;
    default: {
      std::string v = NormalizeNumber(Field(2, s));
      if (Writable(v)) SetSimple(c, tag, v);
      return;
    }
  }
}

// An interval line: start, stop not before it, then up to eight single-digit days 1 to 8.
bool ParseInterval(const std::string& s, std::string& start, std::string& stop, TDayFlags& days) {
  start = Field(1, s);
  stop = Field(2, s);
  if (!IsValidTime(start) || !IsValidTime(stop)) return false;
  if (TimeToMinutes(stop) < TimeToMinutes(start)) return false;
  if (!Field(11, s).empty()) return false;
  days = TDayFlags{};
  for (int f = 3; f <= 10; ++f) {
    std::string d = Field(f, s);
    if (d.empty()) break;
    if (d.size() != 1 || d[0] < '1' || d[0] > '8') return false;
    days[static_cast<std::size_t>(d[0] - '1')] = true;
  }
  return true;
}

}  // namespace

std::unique_ptr<TReaderConfig> TZvCfgList::ReadReaderSection(const std::vector<TCfgLine>& lines, int from) {
  auto c = std::make_unique<TReaderConfig>();
  for (std::size_t j = static_cast<std::size_t>(from); j < lines.size(); ++j) {
    const TCfgLine& l = lines[j];
    if (!l.tags) continue;
    for (int t = 0; t < kRdrTags; ++t)
      if (l.tags & (1u << t)) ApplyReaderTag(*c, t, l.spaced);
    if (l.tags & (1u << kEnd)) break;
  }
  return c;
}

std::unique_ptr<TTimeZone> TZvCfgList::ReadTimeZoneSection(const std::vector<TCfgLine>& lines, int from) {
  auto z = std::make_unique<TTimeZone>();
  int intervalLines = 0;
  for (std::size_t j = static_cast<std::size_t>(from); j < lines.size(); ++j) {
    const std::string& s = lines[j].spaced;
    if (s.empty()) continue;
    if (Contains(s, "#TZ")) {
      std::string n = NormalizeNumber(Field(2, s));
      if (Writable(n)) z->SetNumber(n);
    } else if (lines[j].tags & (1u << kEnd)) {
      break;
    } else if (s[0] == '.') {
      continue;
    } else if (++intervalLines <= TTimeZone::kIntervals) {
      // Invalid lines count towards the four as well.
      std::string start, stop;
      TDayFlags days;
      if (ParseInterval(s, start, stop, days)) z->AddInterval(start, stop, days);
    }
  }
  return z;
}

std::unique_ptr<TBellSchedule> TZvCfgList::ReadBellSection(const std::vector<TCfgLine>& lines, int from) {
  auto b = std::make_unique<TBellSchedule>();
  // A section that never names its number reads as "#bell" without one does.
  b->SetNumber("0");
  for (std::size_t j = static_cast<std::size_t>(from); j < lines.size(); ++j) {
    const TCfgLine& l = lines[j];
    if (l.first == "#END") break;
    if (l.first == "#BELL")
      b->SetNumber(std::to_string(StrToIntDef(Field(2, l.text), 0)));
    else
      b->ReadBellLine(l.text);
  }
  return b;
}

std::unique_ptr<THoliday> TZvCfgList::ReadHolidaySection(const std::vector<TCfgLine>& lines, int from) {
  auto h = std::make_unique<THoliday>();
  for (std::size_t j = static_cast<std::size_t>(from); j < lines.size(); ++j) {
    const TCfgLine& l = lines[j];
    if (l.first == "#END") break;
    if (l.first != "#HOLIDAY") h->ReadLine(l.text);
  }
  return h;
}

void TZvCfgList::ObjsFromStrs() {
  std::vector<TCfgLine> lines(static_cast<std::size_t>(Count()));
  for (int i = 0; i < Count(); ++i) {
    TCfgLine& l = lines[static_cast<std::size_t>(i)];
    l.text = ParseText(Strings(i));
    l.spaced = UpperAscii(l.text);
    for (char& ch : l.spaced)
      if (ch == '\t') ch = ' ';
    l.first = UpperAscii(Field(1, l.text));
    l.tags = 0;
    if (l.spaced.find('#') != std::string::npos)
      for (int t = 0; t < kRdrTags; ++t)
        if (Contains(l.spaced, kRdrTagText[static_cast<std::size_t>(t)]))
          l.tags = static_cast<std::uint16_t>(l.tags | (1u << t));
  }
  for (int i = 0; i < Count(); ++i) {
    const std::string& s = lines[static_cast<std::size_t>(i)].spaced;
    if (s.empty() || s[0] == '.' || s.find('#') == std::string::npos) continue;
    if (Contains(s, "#RDR"))
      SetObject(i, ReadReaderSection(lines, i));
    else if (Contains(s, "#TZ"))
      SetObject(i, ReadTimeZoneSection(lines, i));
    else if (Contains(s, "#BELL"))
      SetObject(i, ReadBellSection(lines, i));
    else if (Contains(s, "#HOLIDAY"))
      SetObject(i, ReadHolidaySection(lines, i));
  }
}

}  // namespace zv
