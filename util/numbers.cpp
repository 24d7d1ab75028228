#include "util/numbers.h"

#include <cstdio>

#include "util/text.h"

namespace zv {

std::string NormalizeNumber(const std::string& in) {
  std::string s = TrimBlanks(in);
  if (in.empty()) return s;
  // Zeros and blanks are stripped until none leads, so that a normalised number stays the
  // same when normalised again ("0<tab>07" gives "7", not "07"): a file written from it
  // then reads back as written.
  for (;;) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == '0') ++i;
    std::string next = TrimBlanks(s.substr(i));
    if (next == s || i == 0) break;
    s = std::move(next);
  }
  return s.empty() ? "0" : s;
}

bool InRange(long long value, long long low, long long high) { return low <= value && value <= high; }

namespace {

// Decimal integer or -1 when the text is not one.
long long ReadDecimal(const std::string& s) {
  long long v;
  if (!ParseInt(s, v)) return -1;
  return v;
}

bool ReadTime(const std::string& s, long long& hours, long long& minutes) {
  std::size_t colon = s.find(':');
  if (colon != std::string::npos) {
    hours = ReadDecimal(s.substr(0, colon));
    minutes = ReadDecimal(s.substr(colon + 1));
  } else {
    long long v = ReadDecimal(s);
    if (v < 0) return false;  // -1 and any other negative number are not times
    if (v <= 23) {
      hours = v;
      minutes = 0;
    } else if (v <= 99) {
      hours = v / 60;
      minutes = v % 60;
    } else if (v <= 2358) {
      hours = v / 100;
      minutes = v % 100;
    } else {
      return false;
    }
  }
  return InRange(hours, 0, 23) && InRange(minutes, 0, 59);
}

}  // namespace

bool IsValidTime(const std::string& s) {
  long long h, m;
  return ReadTime(s, h, m);
}

int TimeToMinutes(const std::string& s) {
  long long h, m;
  if (!ReadTime(s, h, m)) return 0;
  return static_cast<int>(h * 60 + m);
}

std::string MinutesToTime(int minutes) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d", minutes / 60, minutes % 60);
  return buf;
}

std::string JoinColonFields(const std::string& a, const std::string& b, const std::string& c,
                            const std::string& d) {
  if (a.empty()) return std::string();
  return a + ":" + b + ":" + c + ":" + d;
}

TColonFields SplitColonFields(const std::string& s) {
  TColonFields f;
  f.a = NormalizeNumber(WordAt(1, s, ":"));
  f.b = NormalizeNumber(WordAt(2, s, ":"));
  f.c = NormalizeNumber(WordAt(3, s, ":"));
  f.d = NormalizeNumber(WordAt(4, s, ":"));
  return f;
}

}  // namespace zv
