// The section readers of zv.cfg. A section runs from its opening line to its end line, or
// to the end of the file when it has none; the outer scan still opens every section.
#include <array>
#include <bitset>

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

// A number value that reads back as itself. Normalizing is not always final: "0\b05"
// trims to "05" once its zeros are gone, which a second reading would make "5".
bool Stable(const std::string& v) { return Writable(v) && NormalizeNumber(v) == v; }

bool Stable(const TColonFields& f) { return Stable(f.a) && Stable(f.b) && Stable(f.c) && Stable(f.d); }

// The fields of a reader section that a line can set; clock and site are set together,
// and so are the two daylight-saving dates.
enum TRdrField { kFKey, kFPw1, kFRej = kFPw1 + TReaderConfig::kPasswords, kFLck, kFBpr, kFIdl, kFTam, kFTry,
                 kFDng, kFDls, kFHrt, kRdrFields };

// Applies reader-section lines to a configuration. Run over a section's lines from its end
// backwards, a field is set only by the last line that sets it, as a forward reading gives.
struct TRdrReading {
  TReaderConfig cfg;
  std::bitset<kRdrFields> set;

  template <class F>
  void Put(int field, F&& apply) {
    if (set[static_cast<std::size_t>(field)]) return;
    set[static_cast<std::size_t>(field)] = true;
    apply();
  }

  void Simple(int tag, const std::string& s) {
    std::string v = NormalizeNumber(Field(2, s));
    if (!Stable(v)) return;
    switch (tag) {
      case kRej: Put(kFRej, [&] { cfg.SetRejectThreshold(v); }); break;
      case kLck: Put(kFLck, [&] { cfg.SetLockControl(v); }); break;
      case kBpr: Put(kFBpr, [&] { cfg.SetBeeper(v); }); break;
      case kIdl: Put(kFIdl, [&] { cfg.SetIdLength(v); }); break;
      case kTam: Put(kFTam, [&] { cfg.SetPunchMode(v); }); break;
      case kTry: Put(kFTry, [&] { cfg.SetAccessTries(v); }); break;
      case kDng: Put(kFDng, [&] { cfg.SetBellSchedule(v); }); break;
      case kHrt: Put(kFHrt, [&] { cfg.SetHourDisplay(v); }); break;
      default: break;
    }
  }

  void Tag(int tag, const std::string& s) {
    switch (tag) {
      case kRdr: {
        std::string clock = NormalizeNumber(Field(2, s)), site = NormalizeNumber(Field(3, s));
        // "#rdr" + clock + site cannot carry a site without a clock.
        if (!Stable(clock) || !Stable(site) || (clock.empty() && !site.empty())) return;
        Put(kFKey, [&] {
          cfg.SetClock(clock);
          cfg.SetSite(site);
        });
        return;
      }
      case kPw: {
        long long n = StrToIntDef(NormalizeNumber(Field(2, s)), 0);
        std::string pw = Field(3, s);
        if (n >= 1 && n <= TReaderConfig::kPasswords && Writable(pw))
          Put(kFPw1 + static_cast<int>(n) - 1, [&] { cfg.SetPassword(static_cast<int>(n), pw); });
        return;
      }
      case kDls: {
        std::string a = Field(2, s), b = Field(3, s);
        if (!Writable(a) || !Writable(b)) return;
        TColonFields st = SplitColonFields(a), en = SplitColonFields(b);
        if (!Stable(st) || !Stable(en)) return;
        TReaderConfig t;
        t.SetDlsStart(st.a, st.b, st.c, st.d);
        t.SetDlsEnd(en.a, en.b, en.c, en.d);
        // Filling in missing parts lengthens the text; a line that would no longer be
        // read whole is not taken.
        if (t.DlsStart().size() + t.DlsEnd().size() + 6 > kMaxText) return;
        Put(kFDls, [&] {
          cfg.SetDlsStart(st.a, st.b, st.c, st.d);
          cfg.SetDlsEnd(en.a, en.b, en.c, en.d);
        });
        return;
      }
      case kEnd:
        return;
      default:
        Simple(tag, s);
        return;
    }
  }

  // A line sets its fields in tag order; the fields of different tags never overlap, so
  // the order within a line does not matter backwards.
  void Line(const TZvCfgList::TCfgLine& l) {
    for (int t = 0; t < kRdrTags; ++t)
      if (l.tags & (1u << t)) Tag(t, l.spaced);
  }
};

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

// Every reader section at once. A section runs from its opening line to the first line
// that holds "#END", or to the end of the file; sections left open all run to the same end
// line, so reading them one by one would take time growing with the square of the file.
// One pass from the end keeps what the lines from here to the section's end have set.
void TZvCfgList::ReadReaderSections(const std::vector<TCfgLine>& lines) {
  TRdrReading reading;
  for (std::size_t j = lines.size(); j-- > 0;) {
    const TCfgLine& l = lines[j];
    // An end line closes the sections opened up to it: what follows is not theirs.
    if (l.tags & (1u << kEnd)) reading = TRdrReading();
    if (l.tags) reading.Line(l);
    if (l.opens == kOpensReader) {
      auto c = std::make_unique<TReaderConfig>();
      c->CopyFrom(reading.cfg);
      SetObject(static_cast<int>(j), std::move(c));
    }
  }
}

std::unique_ptr<TTimeZone> TZvCfgList::ReadTimeZoneSection(const std::vector<TCfgLine>& lines, int from) {
  auto z = std::make_unique<TTimeZone>();
  int intervalLines = 0;
  for (std::size_t j = static_cast<std::size_t>(from); j < lines.size(); ++j) {
    const std::string& s = lines[j].spaced;
    if (s.empty()) continue;
    if (lines[j].hasTz) {
      std::string n = NormalizeNumber(Field(2, s));
      if (Stable(n)) z->SetNumber(n);
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
    l.opens = kOpensNothing;
    const std::string& s = l.spaced;
    if (s.find('#') == std::string::npos) continue;
    for (int t = 0; t < kRdrTags; ++t)
      if (Contains(s, kRdrTagText[static_cast<std::size_t>(t)])) l.tags = static_cast<std::uint16_t>(l.tags | (1u << t));
    l.hasTz = Contains(s, "#TZ");
    // Opening tags are tested in this order; comment lines open nothing.
    if (s[0] == '.') continue;
    if (l.tags & (1u << kRdr))
      l.opens = kOpensReader;
    else if (l.hasTz)
      l.opens = kOpensTimeZone;
    else if (Contains(s, "#BELL"))
      l.opens = kOpensBell;
    else if (Contains(s, "#HOLIDAY"))
      l.opens = kOpensHoliday;
  }
  ReadReaderSections(lines);
  for (int i = 0; i < Count(); ++i) {
    switch (lines[static_cast<std::size_t>(i)].opens) {
      case kOpensTimeZone: SetObject(i, ReadTimeZoneSection(lines, i)); break;
      case kOpensBell: SetObject(i, ReadBellSection(lines, i)); break;
      case kOpensHoliday: SetObject(i, ReadHolidaySection(lines, i)); break;
      default: break;
    }
  }
}

}  // namespace zv
