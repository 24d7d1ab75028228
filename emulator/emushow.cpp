#include "emulator/emushow.h"

#include <cstdio>
#include <cstring>

#include "emulator/emustatefile.h"
#include "rdrlib/usercodec.h"

namespace zv {

namespace {

const char* const kDays[8] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Hol"};

std::string Fmt(const char* format, int a, int b = 0, int c = 0, int d = 0, int e = 0) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, a, b, c, d, e);
  return buf;
}

long long Le(const uint8_t* p, int bytes, bool isSigned) {
  unsigned long long v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  if (isSigned && bytes == 4) return static_cast<int32_t>(static_cast<uint32_t>(v));
  return static_cast<long long>(v);
}

// Printable bytes as they are, others as \xHH, between quotes.
std::string Quote(const uint8_t* p, std::size_t n) {
  std::string s = "\"";
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i] >= 32 && p[i] < 127 && p[i] != '"' && p[i] != '\\')
      s += static_cast<char>(p[i]);
    else
      s += Fmt("\\x%02X", p[i]);
  }
  return s + "\"";
}

std::string DayList(uint8_t mask) {
  std::string s;
  for (int d = 0; d < 8; ++d)
    if (mask & (1 << d)) s += std::string(s.empty() ? "" : " ") + kDays[d];
  return s.empty() ? "no day" : s;
}

std::string Bytes(const uint8_t* p, int n) {
  std::string s = "[";
  for (int i = 0; i < n; ++i) s += (i ? " " : "") + std::to_string(p[i]);
  return s + "]";
}

// A daylight-saving date: 0, minute, hour, day, month, year.
std::string DaylightSaving(const uint8_t* p) {
  bool zero = true;
  for (int i = 0; i < 6; ++i) zero = zero && p[i] == 0;
  if (zero) return "none";
  return Fmt("%02d/%02d/%02d %02d:%02d ", p[4], p[3], p[5], p[2], p[1]) + Bytes(p, 6);
}

bool Managed(int offset) {
  return offset < 52 || (offset >= 88 && offset < 90) || (offset >= 112 && offset < 118) ||
         (offset >= 125 && offset < 138) || offset >= 140;
}

void Setup(const std::array<uint8_t, 144>& s, std::string& out) {
  static const char* const names[5] = {"security", "enrollment", "management", "setup", "service"};
  out += "    setup: passwords";
  for (int i = 0; i < 5; ++i) {
    const uint8_t* f = &s[static_cast<std::size_t>(i * 10)];
    out += std::string(i ? ", " : " ") + names[i] + " " +
           Quote(f, strnlen(reinterpret_cast<const char*>(f), 10));
  }
  out += "\n    setup: reject " + std::to_string(Le(&s[50], 2, false)) + ", lock " +
         std::to_string(Le(&s[88], 2, false)) + ", beeper " + std::to_string(Le(&s[112], 4, true)) +
         ", id length " + std::to_string(s[116]) + ", punch mode " + std::to_string(s[117]) +
         ", tries " + std::to_string(s[125]) + ", hour display " + std::to_string(Le(&s[140], 4, true)) + "\n";
  out += "    setup: daylight saving start " + DaylightSaving(&s[126]) + ", end " + DaylightSaving(&s[132]) + "\n";
  std::string other;
  for (int i = 0; i < 144; ++i)
    if (!Managed(i) && s[static_cast<std::size_t>(i)])
      other += Fmt(" %d=%02X", i, s[static_cast<std::size_t>(i)]);
  if (!other.empty()) out += "    setup: other bytes" + other + "\n";
}

void TimeSent(const std::array<uint8_t, 6>& t, std::string& out) {
  if (t == std::array<uint8_t, 6>{}) {
    out += "    time sent none\n";
    return;
  }
  out += "    time sent " + Fmt("%02d/%02d/%02d %02d:%02d", t[4], t[3], t[5], t[2], t[1]) +
         Fmt(":%02d ", t[0]) + Bytes(t.data(), 6) + "\n";
}

void Display(const std::array<uint8_t, 44>& d, std::string& out) {
  long long kind = Le(&d[0], 4, true);
  if (kind == static_cast<int32_t>(0xEEEEEEEE)) {
    out += "    display none\n";
    return;
  }
  std::size_t n = 32;
  while (n > 0 && d[9 + n - 1] == ' ') --n;
  std::string who;
  if (kind == 0) {
    who = "value " + std::to_string(d[4]);
  } else {
    std::string id;
    who = "user " + (PackedIdToText(&d[4], id) ? id : ToHex(&d[4], 5));
  }
  out += "    display kind " + std::to_string(kind) + " " + who + " " + Quote(&d[9], n) + "\n";
}

void Holidays(const uint8_t* t, std::string& out) {
  std::string list;
  int count = 0;
  for (int m = 0; m < 12; ++m)
    for (int d = 0; d < 31; ++d) {
      long long v = Le(t + 4 * (m * 31 + d), 4, false);
      if (!v) continue;
      ++count;
      list += Fmt(" %02d/%02d", m + 1, d + 1);
      if (v != 1) list += "=" + std::to_string(v);
    }
  out += "    holidays " + std::to_string(count) + (count ? ":" : "") + list + "\n";
}

std::string Tenths(uint8_t v) { return Fmt("%02d:%02d", v * 6 / 60, v * 6 % 60); }

void TimeZones(const uint8_t* t, std::string& out) {
  std::string lines;
  int count = 0;
  for (int z = 0; z < 60; ++z) {
    const uint8_t* e = t + 12 * z;
    std::string zone;
    for (int k = 0; k < 4; ++k) {
      const uint8_t* iv = e + 3 * k;
      if (!iv[0] && !iv[1] && !iv[2]) continue;
      zone += std::string(zone.empty() ? " " : "; ") + Tenths(iv[0]) + "-" + Tenths(iv[1]) + " " +
              DayList(iv[2]);
    }
    if (zone.empty()) continue;
    ++count;
    lines += "      zone " + std::to_string(z + 1) + ":" + zone + "\n";
  }
  out += "    time zones " + std::to_string(count) + "\n" + lines;
}

void Bells(const std::array<uint8_t, 400>& b, std::string& out) {
  std::string lines;
  int count = 0;
  for (int i = 0; i < 100; ++i) {
    const uint8_t* e = &b[static_cast<std::size_t>(4 * i)];
    if (!e[0] && !e[1] && !e[2] && !e[3]) continue;
    ++count;
    lines += "      bell " + std::to_string(i + 1) + ": " + Fmt("%02d:%02d for %d ", e[1], e[0], e[2]) +
             DayList(e[3]) + "\n";
  }
  out += "    bells " + std::to_string(count) + "\n" + lines;
}

// The menu up to its last byte that is not zero, as a hex dump with repeated lines folded.
void Menu(const std::vector<uint8_t>& m, std::string& out) {
  std::size_t n = m.size();
  while (n > 0 && m[n - 1] == 0) --n;
  out += "    menu " + std::to_string(n) + " bytes" + (n < m.size() ? ", zeros to " + std::to_string(m.size()) : "") + "\n";
  std::string previous;
  bool folded = false;
  for (std::size_t at = 0; at < n; at += 16) {
    std::size_t len = std::min<std::size_t>(16, n - at);
    std::string hex, text;
    for (std::size_t i = 0; i < 16; ++i) {
      hex += i < len ? Fmt(" %02X", m[at + i]) : "   ";
      if (i < len) text += m[at + i] >= 32 && m[at + i] < 127 ? static_cast<char>(m[at + i]) : '.';
    }
    std::string body = " " + hex + "  |" + text + "|";
    if (body == previous && at + 16 < n) {
      if (!folded) out += "      *\n";
      folded = true;
      continue;
    }
    folded = false;
    previous = body;
    out += Fmt("      %04X", static_cast<int>(at)) + body + "\n";
  }
}

}  // namespace

std::string FormatReceived(const TEmuReader& r) {
  std::string out;
  Setup(r.setup, out);
  TimeSent(r.timeSent, out);
  Display(r.display, out);
  Holidays(r.timeZones.data(), out);
  TimeZones(r.timeZones.data() + 1488, out);
  Bells(r.bells, out);
  Menu(r.fkeys, out);
  return out;
}

}  // namespace zv
