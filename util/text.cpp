#include "util/text.h"

#include <cerrno>
#include <cstdlib>

namespace zv {

namespace {
std::string Cut(const std::string& s) { return s.size() > kMaxText ? s.substr(0, kMaxText) : s; }
bool IsBlank(unsigned char c) { return c < 33; }
}  // namespace

std::string TrimBlanks(const std::string& in) {
  std::string s = Cut(in);
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && IsBlank(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::string PadRight(const std::string& in, int width) {
  std::string s = Cut(in);
  if (width > 0 && s.size() < static_cast<std::size_t>(width)) s.append(width - s.size(), ' ');
  return s;
}

std::string PadLeft(const std::string& in, int width, char fill) {
  std::string s = Cut(in);
  if (width > 0 && s.size() < static_cast<std::size_t>(width)) s.insert(0, width - s.size(), fill);
  return s;
}

std::string Centre(const std::string& in, int width) {
  std::string s = Cut(in);
  if (width <= 0 || s.size() >= static_cast<std::size_t>(width)) return s;
  std::size_t before = (width - s.size()) / 2;
  std::string r(before, ' ');
  r += s;
  r.append(width - r.size(), ' ');
  return r;
}

std::string WordAt(int n, const std::string& in, const std::string& separators) {
  std::string s = Cut(in);
  auto isSep = [&](char c) { return separators.find(c) != std::string::npos; };
  std::size_t i = 0;
  int count = 0;
  while (i < s.size()) {
    while (i < s.size() && isSep(s[i])) ++i;
    if (i >= s.size()) break;
    std::size_t start = i;
    while (i < s.size() && !isSep(s[i])) ++i;
    if (++count == n) return s.substr(start, i - start);
  }
  return std::string();
}

std::string LowerAscii(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

bool EqualsIgnoreCaseAscii(const std::string& a, const std::string& b) {
  return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

bool ParseInt(const std::string& s, long long& out) {
  if (s.empty()) return false;
  std::size_t i = 0;
  if (s[0] == '-' || s[0] == '+') i = 1;
  if (i >= s.size()) return false;
  for (std::size_t j = i; j < s.size(); ++j)
    if (s[j] < '0' || s[j] > '9') return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(s.c_str(), &end, 10);
  if (errno == ERANGE || end != s.c_str() + s.size()) return false;
  out = v;
  return true;
}

long long StrToIntDef(const std::string& s, long long def) {
  long long v;
  return ParseInt(s, v) ? v : def;
}

}  // namespace zv
