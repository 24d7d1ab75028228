#include "reader/punchexport.h"

#include <cctype>
#include <cstdio>
#include <string>


namespace zv {

namespace {

constexpr std::size_t kMessagesKept = 100;
constexpr std::size_t kChunk = 1 << 16;

std::vector<std::string> Split(const std::string& line, char sep = ',') {
  std::vector<std::string> f;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = line.find(sep, start);
    f.push_back(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return f;
    start = comma + 1;
  }
}

// Only spaces and tabs are padding: a NUL or other control byte is damage, not blank.
std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool Blank(const std::string& s) { return Trim(s).empty(); }

// A decimal number of 1 to `digits` digits, blanks around it allowed.
bool Number(const std::string& text, int digits, int lo, int hi, int& v) {
  std::string t = Trim(text);
  if (t.empty() || t.size() > static_cast<std::size_t>(digits)) return false;
  v = 0;
  for (char c : t) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    v = v * 10 + (c - '0');
  }
  return v >= lo && v <= hi;
}

bool Hex(const std::string& t, std::size_t maxDigits) {
  if (t.empty() || t.size() > maxDigits) return false;
  for (char c : t)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// Site and clock as numbers: " 1" and "001" are both site 1.
bool Unit(const std::string& text, std::string& out) {
  std::string t = Trim(text);
  if (t.empty() || t.size() > 9) return false;
  for (char c : t)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  std::size_t nz = t.find_first_not_of('0');
  out = nz == std::string::npos ? "0" : t.substr(nz);
  return true;
}

int DaysIn(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

bool Fail(std::string& why, const char* text) {
  why = text;
  return false;
}

// Hour, minute, month, day and two-digit year into the row; false when they are no time.
bool PutWhen(const std::string& hour, const std::string& minute, const std::string& month,
             const std::string& day, const std::string& year, TPunchRow& row, std::string& why) {
  int h, mi, mo, d, y;
  if (!Number(hour, 2, 0, 23, h) || !Number(minute, 2, 0, 59, mi)) return Fail(why, "no valid time");
  if (!Number(month, 2, 1, 12, mo) || !Number(year, 2, 0, 99, y)) return Fail(why, "no valid date");
  int year4 = FourDigitYear(y);
  if (!Number(day, 2, 1, DaysIn(year4, mo), d)) return Fail(why, "no valid date");
  row.Date = year4 * 10000 + mo * 100 + d;
  row.Hour = h;
  row.Minute = mi;
  return true;
}

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

}  // namespace

int FourDigitYear(int y) { return y >= 69 ? 1900 + y : 2000 + y; }

bool ParseIsoDate(const std::string& text, int& yyyymmdd) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  int y = std::stoi(text.substr(0, 4)), m = std::stoi(text.substr(5, 2)),
      d = std::stoi(text.substr(8, 2));
  if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysIn(y, m)) return false;
  yyyymmdd = y * 10000 + m * 100 + d;
  return true;
}

bool ParsePunchLine(const std::string& line, TPunchRow& row, std::string& why) {
  std::vector<std::string> f = Split(line);
  // As written: 18 fields each ended by a comma (a punch), or 19 fields (a type 15 group). A
  // punch shortened by hand to its ten fields is still read.
  if (f.size() == 11 && Blank(f[10])) f.pop_back();
  if (f.size() != 10 && f.size() != 19) return Fail(why, "not a punch line (wrong number of fields)");
  bool group = false;
  if (f.size() == 19) {
    bool blank = true, full = true;
    for (int i = 10; i <= 14; ++i) (Blank(f[i]) ? full : blank) = false;
    if (!blank && !full) return Fail(why, "not a punch line (a group's first time is incomplete)");
    group = full;
    if (!group && !(Blank(f[15]) && Blank(f[16]) && Blank(f[17]) && Blank(f[18])))
      return Fail(why, "not a punch line (text after the punch)");
  }
  TPunchRow r;
  r.Type = group ? 15 : 7;
  r.Code = Trim(f[2]);
  r.User = Trim(f[3]);
  r.Data = Trim(f[4]);
  if (!Unit(f[0], r.Site)) return Fail(why, "no valid site");
  if (!Unit(f[1], r.Clock)) return Fail(why, "no valid clock");
  if (!r.Code.empty() && !Hex(r.Code, 2)) return Fail(why, "no valid code");
  if (!Hex(r.User, 10)) return Fail(why, "no valid user id");
  if (!r.Data.empty() && !Hex(r.Data, 10)) return Fail(why, "no valid data");
  if (!PutWhen(f[5], f[6], f[7], f[8], f[9], r, why)) return false;
  if (group) {
    TPunchRow first;  // the group's first element must carry a time too
    if (!PutWhen(f[10], f[11], f[12], f[13], f[14], first, why)) return false;
    r.Value = Trim(Blank(f[17]) ? f[18] : f[17]);
  }
  row = r;
  return true;
}

bool ParseEventLine(const std::string& line, TPunchRow& row, std::string& why) {
  std::vector<std::string> f = Split(line);
  if (f.size() != 7) return Fail(why, "not an event line (wrong number of fields)");
  TPunchRow r;
  r.Data = Trim(f[4]);
  r.User = Trim(f[3]);
  if (!Unit(f[0], r.Site)) return Fail(why, "no valid site");
  if (!Unit(f[1], r.Clock)) return Fail(why, "no valid clock");
  if (!Number(f[2], 10, 1, 2147483647, r.Type)) return Fail(why, "no valid type");
  if (!Hex(r.User, 10)) return Fail(why, "no valid user id");
  if (!r.Data.empty() && !Hex(r.Data, 10)) return Fail(why, "no valid data");
  std::string t = f[5], d = f[6];
  std::size_t colon = t.find(':');
  std::vector<std::string> dp = Split(d, '/');
  if (colon == std::string::npos || dp.size() != 3) return Fail(why, "no valid time");
  if (!PutWhen(t.substr(0, colon), t.substr(colon + 1), dp[0], dp[1], dp[2], r, why)) return false;
  row = r;
  return true;
}

std::string CsvHeader() { return "date,time,site,clock,user,type,code,data,value\r\n"; }

std::string CsvRow(const TPunchRow& r) {
  char when[32];
  std::snprintf(when, sizeof when, "%04d-%02d-%02d,%02d:%02d", r.Date / 10000, r.Date / 100 % 100,
                r.Date % 100, r.Hour, r.Minute);
  return std::string(when) + "," + CsvField(r.Site) + "," + CsvField(r.Clock) + "," +
         CsvField(r.User) + "," + std::to_string(r.Type) + "," + CsvField(r.Code) + "," +
         CsvField(r.Data) + "," + CsvField(r.Value) + "\r\n";
}

TExportResult ExportPunches(std::istream& punchLog, const std::string& punchLogName,
                            std::istream* sysLog, const std::string& sysLogName, int from, int to,
                            const std::function<bool(const std::string&)>& write) {
  TExportResult res;
  std::string out = CsvHeader();
  auto flush = [&](bool force) {
    if (res.WriteFailed || (!force && out.size() < kChunk)) return;
    if (!write(out)) res.WriteFailed = true;
    out.clear();
  };
  auto run = [&](std::istream& in, const std::string& name, bool events) {
    std::string line, why;
    TPunchRow row;
    for (std::size_t n = 1; !res.WriteFailed && std::getline(in, line); ++n) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (Blank(line)) continue;
      if (!(events ? ParseEventLine(line, row, why) : ParsePunchLine(line, row, why))) {
        if (++res.Damaged <= kMessagesKept)
          res.Messages.push_back(name + " line " + std::to_string(n) + ": " + why + ", skipped");
        continue;
      }
      if (row.Date < from || row.Date > to) continue;
      out += CsvRow(row);
      ++res.Rows;
      flush(false);
    }
  };
  run(punchLog, punchLogName, false);
  if (sysLog) run(*sysLog, sysLogName, true);
  flush(true);
  if (res.Damaged > kMessagesKept)
    res.Messages.push_back("... and " + std::to_string(res.Damaged - kMessagesKept) +
                           " more damaged lines, skipped");
  return res;
}

}  // namespace zv
