#include "emulator/emustatefile.h"

#include <cstdlib>
#include <sstream>

#include "util/fileio.h"

namespace zv {

namespace {
const char kMagic[] = "rdremu-state 1";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ToInt(const std::string& s, long long lo, long long hi, long long& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  v = std::strtoll(s.c_str(), &end, 10);
  return *end == '\0' && v >= lo && v <= hi;
}

template <std::size_t N>
void Block(std::string& out, const char* key, const std::array<uint8_t, N>& a) {
  out += "    ";
  out += key;
  out += ' ';
  out += ToHex(a.data(), N);
  out += '\n';
}
}  // namespace

std::string ToHex(const uint8_t* data, std::size_t len) {
  static const char d[] = "0123456789ABCDEF";
  std::string s(len * 2, '0');
  for (std::size_t i = 0; i < len; ++i) {
    s[2 * i] = d[data[i] >> 4];
    s[2 * i + 1] = d[data[i] & 15];
  }
  return s;
}

bool FromHex(const std::string& hex, uint8_t* out, std::size_t len) {
  if (hex.size() != 2 * len) return false;
  for (std::size_t i = 0; i < len; ++i) {
    int hi = HexDigit(hex[2 * i]), lo = HexDigit(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  return true;
}

std::string FormatState(const TEmuState& state) {
  std::string out = kMagic;
  out += '\n';
  for (const auto& s : state.sites) {
    out += "site " + std::to_string(s.number) + "\n";
    if (!s.tcp.empty()) out += "  tcp " + s.tcp + "\n";
    if (!s.serial.empty()) out += "  serial " + s.serial + "\n";
    if (!s.phone.empty()) out += "  phone " + s.phone + "\n";
    if (!s.modemAnswer.empty()) out += "  modem-answer " + s.modemAnswer + "\n";
    if (s.baud) out += "  baud " + std::to_string(s.baud) + "\n";
    const TEmuFaults& f = s.faults;
    if (f.delayMs) out += "  delay-ms " + std::to_string(f.delayMs) + "\n";
    if (f.dropAfter) out += "  drop-after " + std::to_string(f.dropAfter) + "\n";
    if (f.corruptEvery) out += "  corrupt-every " + std::to_string(f.corruptEvery) + "\n";
    if (f.garbage) out += "  garbage " + std::to_string(f.garbage) + "\n";
    if (f.muteAfter) out += "  mute-after " + std::to_string(f.muteAfter) + "\n";
    for (const auto& kv : s.readers) {
      const TEmuReader& r = kv.second;
      out += "  reader " + std::to_string(r.address) + "\n";
      out += "    model " + std::to_string(r.model) + "\n";
      out += "    memory " + std::to_string(r.memory) + "\n";
      out += std::string("    online ") + (r.online ? "1" : "0") + "\n";
      out += std::string("    idle ") + (r.idle ? "1" : "0") + "\n";
      out += std::string("    nvram ") + (r.nvramSaved ? "1" : "0") + "\n";
      out += "    clock-offset " + std::to_string(r.clockOffset) + "\n";
      if (!r.lie.empty()) out += "    lie " + r.lie + "\n";
      Block(out, "setup", r.setup);
      Block(out, "timezones", r.timeZones);
      Block(out, "bells", r.bells);
      out += "    fkeys " + ToHex(r.fkeys.data(), r.fkeys.size()) + "\n";
      Block(out, "display", r.display);
      if (r.timeSent != std::array<uint8_t, 6>{}) Block(out, "time-sent", r.timeSent);
      for (const auto& m : r.messages) Block(out, "message", m);
      for (const auto& u : r.users) Block(out, "user", u.second);
      std::string line;
      for (const auto& e : r.log) {
        line = "    log ";
        line += ToHex(e.data(), e.size());
        line += '\n';
        out += line;
      }
    }
  }
  return out;
}

bool ParseState(const std::string& text, TEmuState& state, std::string& error) {
  state = TEmuState();
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  TEmuSite* site = nullptr;
  TEmuReader* reader = nullptr;
  bool sawMagic = false;
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(lineNo) + ": " + why;
    return false;
  };
  while (std::getline(in, line)) {
    ++lineNo;
    // Trailing blanks and carriage returns are not part of a value: an editor may leave any
    // number of them, and a value that kept one would not read back as it was written.
    line.erase(line.find_last_not_of(" \t\r") + 1);
    std::size_t b = line.find_first_not_of(" \t");
    if (b == std::string::npos || line[b] == '#') continue;
    line = line.substr(b);
    if (!sawMagic) {
      if (line != kMagic) return fail("not an rdremu state file");
      sawMagic = true;
      continue;
    }
    std::size_t sp = line.find(' ');
    std::string key = line.substr(0, sp);
    std::string val = sp == std::string::npos ? "" : line.substr(sp + 1);
    long long n = 0;
    if (key == "site") {
      if (!ToInt(val, 0, 999999, n)) return fail("bad site number");
      if (state.FindSite(static_cast<int>(n))) return fail("site " + val + " twice");
      state.sites.emplace_back();
      site = &state.sites.back();
      site->number = static_cast<int>(n);
      reader = nullptr;
      continue;
    }
    if (!site) return fail("'" + key + "' before any site");
    if (key == "reader") {
      if (!ToInt(val, 0, 254, n) || n == 170) return fail("bad reader address");
      if (site->readers.count(static_cast<int>(n))) return fail("reader " + val + " twice");
      reader = &site->readers[static_cast<int>(n)];
      reader->address = static_cast<int>(n);
      continue;
    }
    if (!reader) {
      if (key == "tcp") site->tcp = val;
      else if (key == "serial") site->serial = val;
      else if (key == "phone") site->phone = val;
      else if (key == "modem-answer") site->modemAnswer = val;
      else if (ToInt(val, 0, 100000000, n)) {
        int v = static_cast<int>(n);
        if (key == "baud") site->baud = v;
        else if (key == "delay-ms") site->faults.delayMs = v;
        else if (key == "drop-after") site->faults.dropAfter = v;
        else if (key == "corrupt-every") site->faults.corruptEvery = v;
        else if (key == "garbage") site->faults.garbage = v;
        else if (key == "mute-after") site->faults.muteAfter = v;
        else return fail("unknown site setting '" + key + "'");
      } else {
        return fail("bad value for '" + key + "'");
      }
      continue;
    }
    TEmuReader& r = *reader;
    if (key == "model" || key == "memory") {
      if (!ToInt(val, 0, 255, n)) return fail("bad " + key);
      (key == "model" ? r.model : r.memory) = static_cast<int>(n);
    } else if (key == "online" || key == "idle" || key == "nvram") {
      if (val != "0" && val != "1") return fail("bad " + key);
      (key == "online" ? r.online : key == "idle" ? r.idle : r.nvramSaved) = val == "1";
    } else if (key == "clock-offset") {
      if (!ToInt(val, -4000000000LL, 4000000000LL, n)) return fail("bad clock-offset");
      r.clockOffset = n;
    } else if (key == "lie") {
      if (!IsLie(val)) return fail("bad lie");
      r.lie = val;
    } else if (key == "setup") {
      if (!FromHex(val, r.setup.data(), r.setup.size())) return fail("bad setup block");
    } else if (key == "timezones") {
      if (!FromHex(val, r.timeZones.data(), r.timeZones.size())) return fail("bad time zone table");
    } else if (key == "bells") {
      if (!FromHex(val, r.bells.data(), r.bells.size())) return fail("bad bell table");
    } else if (key == "fkeys") {
      if (!FromHex(val, r.fkeys.data(), r.fkeys.size())) return fail("bad function-key data");
    } else if (key == "display") {
      if (!FromHex(val, r.display.data(), r.display.size())) return fail("bad display message");
    } else if (key == "time-sent") {
      if (!FromHex(val, r.timeSent.data(), r.timeSent.size())) return fail("bad time record");
    } else if (key == "message") {
      std::array<uint8_t, 44> m{};
      if (!FromHex(val, m.data(), m.size())) return fail("bad message");
      r.messages.push_back(m);
    } else if (key == "user") {
      TExtRecord u{};
      if (!FromHex(val, u.data(), u.size())) return fail("bad user record");
      uint64_t id = 0;
      for (int i = 0; i < 5; ++i) {
        if ((u[static_cast<std::size_t>(i)] >> 4) > 9 || (u[static_cast<std::size_t>(i)] & 15) > 9)
          return fail("bad user id");
        id = id * 100 + (u[static_cast<std::size_t>(i)] >> 4) * 10 + (u[static_cast<std::size_t>(i)] & 15);
      }
      r.users[id] = u;
    } else if (key == "log") {
      TLogElement e{};
      if (!FromHex(val, e.data(), e.size())) return fail("bad log element");
      r.log.push_back(e);
    } else {
      return fail("unknown reader setting '" + key + "'");
    }
  }
  if (!sawMagic) {
    lineNo = 0;
    return fail("not an rdremu state file");
  }
  return true;
}

bool LoadStateFile(const std::string& path, TEmuState& state, std::string& error) {
  std::string text;
  if (ReadWholeFile(path, text, &error) != TReadResult::Ok) return false;
  if (!ParseState(text, state, error)) {
    error = path + ", " + error;
    return false;
  }
  return true;
}

bool SaveStateFile(const std::string& path, const TEmuState& state, std::string& error) {
  return WriteFileAtomic(path, FormatState(state), &error);
}

}  // namespace zv
