#include "emulator/emucli.h"

#include <getopt.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#ifndef ZV_VERSION
#define ZV_VERSION "0.0.0"
#endif

#include "emulator/emureader.h"
#include "emulator/emuserver.h"
#include "emulator/emushow.h"
#include "emulator/emustatefile.h"
#include "rdrlib/usercodec.h"
#include "util/fileio.h"

namespace zv {

namespace {

const char kUsage[] =
    "usage: rdremu VERB STATE [options]   (rdremu(1))\n"
    "       rdremu --help | --version\n"
    "  Options take their value as --site 3 or --site=3, anywhere on the line.\n"
    "  init STATE\n"
    "  add-site STATE --site N (--tcp ADDR:PORT | --serial PATH [--phone NUMBER]) [site options]\n"
    "  set-site STATE --site N [site options]\n"
    "     site options: --baud B --delay-ms MS --drop-after N --corrupt-every N --garbage N\n"
    "                   --mute-after N --modem-answer (OK|BUSY|NO CARRIER|NO DIALTONE|NO ANSWER|ERROR|SILENT)\n"
    "  add-reader STATE --site N --addr A [--model M] [--memory C] [--offline]\n"
    "  set-reader STATE --site N --addr A [--model M] [--memory C] [--online|--offline]\n"
    "                   [--clock-offset SECONDS] [--idle 0|1]\n"
    "                   [--lie (endless-log|endless-banks|other-user|refuse-users|none)]\n"
    "  set-offline STATE --site N --addr A      set-online STATE --site N --addr A\n"
    "  add-punch STATE --site N --addr A --user ID [--time 'YYYY-MM-DD HH:MM'] [--code C]\n"
    "                  [--type T] [--data HEX8] [--count K]\n"
    "  add-event STATE --site N --addr A --type T [--user ID] [--time ...] [--code C] [--data HEX8]\n"
    "  add-group STATE --site N --addr A --subtype S --user ID [--time ...] [--code C]\n"
    "                  [--value V --byte W] [--data HEX8] [--user2 ID]\n"
    "  add-raw STATE --site N --addr A --hex 56HEXDIGITS\n"
    "  add-user STATE --site N --addr A --user ID [--tz Z] [--authority L] [--reject R]\n"
    "                 [--template HEX] [--comment TEXT] [--count K]\n"
    "  show STATE [--site N] [--addr A]\n"
    "  serve STATE\n";

// Each option by its long name ("--site") with its value ("1" for a flag), the last one given
// winning, as the verbs below look them up.
using TOpts = std::map<std::string, std::string>;

// Every option of every verb; a verb ignores those it has no use for.
struct TOptionSpec {
  const char* name;
  bool takesValue;
};
const TOptionSpec kOptions[] = {
    {"help", false},        {"version", false},     {"site", true},        {"addr", true},
    {"tcp", true},          {"serial", true},       {"phone", true},       {"baud", true},
    {"delay-ms", true},     {"drop-after", true},   {"corrupt-every", true}, {"garbage", true},
    {"mute-after", true},   {"modem-answer", true}, {"model", true},       {"memory", true},
    {"offline", false},     {"online", false},      {"clock-offset", true}, {"idle", true},
    {"user", true},         {"user2", true},        {"time", true},        {"code", true},
    {"type", true},         {"subtype", true},      {"data", true},        {"count", true},
    {"value", true},        {"byte", true},         {"hex", true},         {"tz", true},
    {"authority", true},    {"reject", true},       {"template", true},    {"comment", true},
    {"lie", true},
};

// Splits the command line into its words (verb, state file) and its options, with getopt_long:
// "--site 3" and "--site=3", options anywhere, a value that starts with a minus
// ("--clock-offset -3600"), "--" before a word that starts with one. False when getopt has
// already said on standard error what is wrong.
bool ParseCommandLine(const std::vector<std::string>& args, std::vector<std::string>& words,
                      TOpts& opts) {
  std::vector<option> longOpts;
  for (const TOptionSpec& o : kOptions)
    longOpts.push_back({o.name, o.takesValue ? required_argument : no_argument, nullptr, 0});
  longOpts.push_back({nullptr, 0, nullptr, 0});
  std::vector<std::string> store;
  store.reserve(args.size() + 1);
  store.push_back("rdremu");  // getopt's messages begin with it
  store.insert(store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : store) argv.push_back(a.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(store.size());

  optind = 0;  // a fresh scan, also when a test runs several command lines in one process
  opterr = 1;
  bool ok = true;
  for (;;) {
    int index = -1;
    int c = getopt_long(argc, argv.data(), "h", longOpts.data(), &index);
    if (c == -1) break;
    if (c == 'h') {
      opts["--help"] = "1";
    } else if (c == 0 && index >= 0) {
      opts[std::string("--") + kOptions[index].name] = optarg ? optarg : "1";
    } else {
      ok = false;  // getopt printed it
    }
  }
  for (int i = optind; i < argc; ++i) words.push_back(argv[i]);
  return ok;
}

bool IntOpt(const TOpts& o, const std::string& key, long long lo, long long hi, long long& v,
            std::string& err) {
  auto it = o.find(key);
  if (it == o.end()) return true;  // keeps the caller's default
  char* end = nullptr;
  errno = 0;
  long long n = std::strtoll(it->second.c_str(), &end, 10);
  if (it->second.empty() || *end != '\0' || errno || n < lo || n > hi) {
    err = "bad value '" + it->second + "' for " + key + " (" + std::to_string(lo) + " to " +
          std::to_string(hi) + ")";
    return false;
  }
  v = n;
  return true;
}

bool NeedInt(const TOpts& o, const std::string& key, long long lo, long long hi, long long& v,
             std::string& err) {
  if (!o.count(key)) {
    err = "missing " + key;
    return false;
  }
  return IntOpt(o, key, lo, hi, v, err);
}

void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
int32_t Le32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

bool ParseTime(const TOpts& o, struct tm& t, std::string& err) {
  time_t now = time(nullptr);
  localtime_r(&now, &t);
  auto it = o.find("--time");
  if (it == o.end()) return true;
  int y, mo, d, h, mi;
  char extra;
  if (std::sscanf(it->second.c_str(), "%d-%d-%d %d:%d%c", &y, &mo, &d, &h, &mi, &extra) != 5 ||
      y < 1970 || y > 2099 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 ||
      mi > 59) {
    err = "bad --time '" + it->second + "' (YYYY-MM-DD HH:MM)";
    return false;
  }
  t = tm{};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  return true;
}

void SetElementTime(TLogElement& e, const struct tm& t) {
  e[2] = static_cast<uint8_t>(t.tm_min);
  e[3] = static_cast<uint8_t>(t.tm_hour);
  e[4] = static_cast<uint8_t>(t.tm_mday);
  e[5] = static_cast<uint8_t>(t.tm_mon + 1);
  e[6] = static_cast<uint8_t>((t.tm_year + 1900) % 100);
}

bool IdOpt(const TOpts& o, const std::string& key, uint8_t id[5], std::string& err) {
  std::memset(id, 0, 5);
  auto it = o.find(key);
  if (it == o.end()) return true;
  if (!TextToPackedId(it->second.c_str(), id)) {
    err = "bad user id '" + it->second + "' (1 to 10 digits)";
    return false;
  }
  return true;
}

bool HexOpt(const TOpts& o, const std::string& key, uint8_t* out, std::size_t len, std::string& err) {
  auto it = o.find(key);
  if (it == o.end()) return true;
  if (!FromHex(it->second, out, len)) {
    err = "bad " + key + " '" + it->second + "' (" + std::to_string(2 * len) + " hex digits)";
    return false;
  }
  return true;
}

bool SiteOptions(const TOpts& o, TEmuSite& s, std::string& err) {
  if (o.count("--tcp")) {
    s.tcp = o.at("--tcp");
    s.serial.clear();
  }
  if (o.count("--serial")) {
    s.serial = o.at("--serial");
    s.tcp.clear();
  }
  if (o.count("--phone")) s.phone = o.at("--phone");
  if (o.count("--modem-answer")) {
    std::string a = o.at("--modem-answer");
    static const std::set<std::string> ok = {"OK", "BUSY", "NO CARRIER", "NO DIALTONE", "NO ANSWER", "ERROR", "SILENT"};
    if (!ok.count(a)) {
      err = "bad --modem-answer '" + a + "'";
      return false;
    }
    s.modemAnswer = a == "OK" ? "" : a;
  }
  long long v;
  struct { const char* key; int* field; } ints[] = {
      {"--baud", &s.baud}, {"--delay-ms", &s.faults.delayMs}, {"--drop-after", &s.faults.dropAfter},
      {"--corrupt-every", &s.faults.corruptEvery}, {"--garbage", &s.faults.garbage},
      {"--mute-after", &s.faults.muteAfter}};
  for (auto& f : ints) {
    v = *f.field;
    if (!IntOpt(o, f.key, 0, f.field == &s.baud ? 1000000 : 100000000, v, err)) return false;
    *f.field = static_cast<int>(v);
  }
  return true;
}

bool ReaderOptions(const TOpts& o, TEmuReader& r, std::string& err) {
  long long v = r.model;
  if (!IntOpt(o, "--model", 0, 255, v, err)) return false;
  r.model = static_cast<int>(v);
  v = r.memory;
  if (!IntOpt(o, "--memory", 0, 255, v, err)) return false;
  r.memory = static_cast<int>(v);
  v = r.clockOffset;
  if (!IntOpt(o, "--clock-offset", -4000000000LL, 4000000000LL, v, err)) return false;
  r.clockOffset = v;
  v = r.idle;
  if (!IntOpt(o, "--idle", 0, 1, v, err)) return false;
  r.idle = v != 0;
  if (o.count("--lie")) {
    const std::string& l = o.at("--lie");
    if (l != "none" && !IsLie(l)) {
      err = "bad --lie '" + l + "'";
      return false;
    }
    r.lie = l == "none" ? "" : l;
  }
  if (o.count("--offline")) r.online = false;
  if (o.count("--online")) r.online = true;
  return true;
}

const char* ModelText(int m) {
  static const char* names[] = {"ZV2K", "ZV3K", "ZV4K", "ZKCR", "ZKII"};
  return m >= 0 && m < 5 ? names[m] : m == 15 ? "SPECIAL" : "";
}

void ShowReader(const TEmuReader& r) {
  struct tm t;
  ReaderLocalTime(r, t);
  char clock[64];
  std::strftime(clock, sizeof clock, "%Y-%m-%d %H:%M:%S", &t);
  std::printf("  reader %d: model %d %s, memory %d, %s, idle %s, setup saved %s, clock %s (offset %+lld s)%s%s\n",
              r.address, r.model, ModelText(r.model), r.memory, r.online ? "online" : "offline",
              r.idle ? "yes" : "no", r.nvramSaved ? "yes" : "no", clock, r.clockOffset,
              r.lie.empty() ? "" : ", lies ", r.lie.c_str());
  std::fputs(FormatReceived(r).c_str(), stdout);
  std::printf("    users %zu\n", r.users.size());
  for (const auto& kv : r.users) {
    const TExtRecord& u = kv.second;
    std::string id;
    PackedIdToText(u.data(), id);
    std::string comment(reinterpret_cast<const char*>(&u[42]), strnlen(reinterpret_cast<const char*>(&u[42]), 16));
    std::printf("      user %s tz %d authority %d reject %d template %s comment \"%s\"\n", id.c_str(),
                u[22], Le32(&u[16]), u[20] | (u[21] << 8), ToHex(&u[5], 11).c_str(), comment.c_str());
  }
  std::printf("    log %zu\n", r.log.size());
  for (const auto& e : r.log) {
    std::string id;
    if (!PackedIdToText(&e[12], id)) id = ToHex(&e[12], 5);
    std::printf("      type %d user %s %02d/%02d/%02d %02d:%02d code %d data %s\n", Le32(&e[8]), id.c_str(),
                e[5], e[4], e[6], e[3], e[2], Le32(&e[20]), ToHex(&e[24], 4).c_str());
  }
}

int Fail(const std::string& msg) {
  std::fprintf(stderr, "rdremu: %s\n", msg.c_str());
  return 2;
}

}  // namespace

int RunEmulatorCommand(const std::vector<std::string>& args) {
  std::vector<std::string> words;
  TOpts o;
  if (!ParseCommandLine(args, words, o)) {
    std::fputs("Try 'rdremu --help'.\n", stderr);
    return 2;
  }
  if (o.count("--help") || (!words.empty() && words[0] == "help")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (o.count("--version")) {
    std::fputs("rdremu " ZV_VERSION "\n", stdout);
    return 0;
  }
  static const std::set<std::string> kVerbs = {
      "init", "add-site", "set-site", "add-reader", "set-reader", "set-offline", "set-online",
      "add-punch", "add-event", "add-group", "add-raw", "add-user", "show", "serve"};
  if (words.size() < 2 || !kVerbs.count(words[0])) {
    if (!words.empty() && !kVerbs.count(words[0]))
      std::fprintf(stderr, "rdremu: unknown verb '%s'\n", words[0].c_str());
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (words.size() > 2) return Fail("unexpected argument '" + words[2] + "'");
  const std::string& verb = words[0];
  const std::string& path = words[1];
  std::string err;

  TEmuState state;
  if (verb == "init") {
    if (!SaveStateFile(path, state, err)) return Fail(err);
    return 0;
  }
  if (!LoadStateFile(path, state, err)) return Fail(err);

  if (verb == "show") {
    long long siteNo = -1, addr = -1;
    if (!IntOpt(o, "--site", 0, 999999, siteNo, err) || !IntOpt(o, "--addr", 0, 254, addr, err))
      return Fail(err);
    for (const auto& s : state.sites) {
      if (siteNo >= 0 && s.number != siteNo) continue;
      std::printf("site %d", s.number);
      if (!s.tcp.empty()) std::printf(" tcp %s", s.tcp.c_str());
      if (!s.serial.empty()) std::printf(" serial %s", s.serial.c_str());
      if (!s.phone.empty()) std::printf(" modem %s", s.phone.c_str());
      if (!s.modemAnswer.empty()) std::printf(" answers %s", s.modemAnswer.c_str());
      if (s.baud) std::printf(" baud %d", s.baud);
      const TEmuFaults& f = s.faults;
      if (f.delayMs) std::printf(" delay-ms %d", f.delayMs);
      if (f.dropAfter) std::printf(" drop-after %d", f.dropAfter);
      if (f.corruptEvery) std::printf(" corrupt-every %d", f.corruptEvery);
      if (f.garbage) std::printf(" garbage %d", f.garbage);
      if (f.muteAfter) std::printf(" mute-after %d", f.muteAfter);
      std::printf("\n");
      for (const auto& kv : s.readers)
        if (addr < 0 || kv.first == addr) ShowReader(kv.second);
    }
    return 0;
  }
  if (verb == "serve") {
    TEmuServer server(state, path);
    TEmuServer::InstallSignalHandlers();
    if (!server.Start(err)) return Fail(err);
    for (const std::string& e : server.Endpoints()) std::printf("%s\n", e.c_str());
    std::printf("ready\n");
    std::fflush(stdout);
    if (!server.Run(err)) return Fail(err);
    return 0;
  }

  long long siteNo = 0;
  if (!NeedInt(o, "--site", 0, 999999, siteNo, err)) return Fail(err);
  TEmuSite* site = state.FindSite(static_cast<int>(siteNo));

  if (verb == "add-site" || verb == "set-site") {
    if (verb == "add-site") {
      if (site) return Fail("site " + std::to_string(siteNo) + " exists");
      if (!o.count("--tcp") && !o.count("--serial")) return Fail("add-site needs --tcp or --serial");
      state.sites.emplace_back();
      site = &state.sites.back();
      site->number = static_cast<int>(siteNo);
    } else if (!site) {
      return Fail("no site " + std::to_string(siteNo));
    }
    if (!SiteOptions(o, *site, err)) return Fail(err);
    for (const auto& s : state.sites)
      if (&s != site && ((!s.tcp.empty() && s.tcp == site->tcp) || (!s.serial.empty() && s.serial == site->serial)))
        return Fail("site " + std::to_string(s.number) + " already uses that line");
  } else {
    if (!site) return Fail("no site " + std::to_string(siteNo));
    long long addr = 0;
    if (!NeedInt(o, "--addr", 0, 254, addr, err)) return Fail(err);
    if (addr == 170) return Fail("170 is not a reader address");
    int a = static_cast<int>(addr);
    if (verb == "add-reader") {
      if (site->readers.count(a)) return Fail("reader " + std::to_string(a) + " exists");
      TEmuReader r;
      r.address = a;
      if (!ReaderOptions(o, r, err)) return Fail(err);
      site->readers[a] = r;
    } else {
      auto it = site->readers.find(a);
      if (it == site->readers.end()) return Fail("no reader " + std::to_string(a) + " at site " + std::to_string(siteNo));
      TEmuReader& r = it->second;
      long long count = 1;
      if (!IntOpt(o, "--count", 1, 10000000, count, err)) return Fail(err);
      if (verb == "set-reader") {
        if (!ReaderOptions(o, r, err)) return Fail(err);
      } else if (verb == "set-offline" || verb == "set-online") {
        r.online = verb == "set-online";
      } else if (verb == "add-punch" || verb == "add-event") {
        TLogElement e{};
        struct tm t;
        long long type = 7, code = 0;
        if (verb == "add-event" && !o.count("--type")) return Fail("add-event needs --type");
        if (verb == "add-punch" && !o.count("--user")) return Fail("add-punch needs --user");
        if (!ParseTime(o, t, err) || !IntOpt(o, "--type", 1, 0x7FFFFFFF, type, err) ||
            !IntOpt(o, "--code", -0x7FFFFFFFLL, 0x7FFFFFFF, code, err) || !IdOpt(o, "--user", &e[12], err))
          return Fail(err);
        PutLe32(&e[8], static_cast<uint32_t>(type));
        PutLe32(&e[20], static_cast<uint32_t>(code));
        std::memset(&e[24], 0xFF, 4);
        if (!HexOpt(o, "--data", &e[24], 4, err)) return Fail(err);
        time_t when = mktime(&t);
        for (long long i = 0; i < count; ++i) {
          struct tm ti;
          time_t w = when + static_cast<time_t>(i * 60);
          localtime_r(&w, &ti);
          SetElementTime(e, ti);
          r.log.push_back(e);
        }
      } else if (verb == "add-group") {
        long long subtype = 0, code = 0, value = 0, byte = 0;
        struct tm t;
        if (!o.count("--subtype")) return Fail("add-group needs --subtype");
        TLogElement a1{}, a2{}, a3{};
        if (!ParseTime(o, t, err) || !IntOpt(o, "--subtype", -0x7FFFFFFFLL, 0x7FFFFFFF, subtype, err) ||
            !IntOpt(o, "--code", -0x7FFFFFFFLL, 0x7FFFFFFF, code, err) ||
            !IntOpt(o, "--value", -32768, 32767, value, err) || !IntOpt(o, "--byte", 0, 255, byte, err) ||
            !IdOpt(o, "--user", &a1[12], err) || !IdOpt(o, "--user2", &a2[12], err))
          return Fail(err);
        if (!o.count("--user2")) std::memcpy(&a2[12], &a1[12], 5);
        for (TLogElement* x : {&a1, &a2, &a3}) {
          SetElementTime(*x, t);
          PutLe32(&(*x)[8], 15);
          std::memset(&(*x)[24], 0xFF, 4);
        }
        PutLe32(&a1[20], static_cast<uint32_t>(subtype));
        PutLe32(&a2[20], static_cast<uint32_t>(code));
        std::memcpy(&a3[12], &a1[12], 5);
        if (subtype == 21) {
          a2[24] = static_cast<uint8_t>(value & 0xFF);
          a2[25] = static_cast<uint8_t>((value >> 8) & 0xFF);
          a2[26] = static_cast<uint8_t>(byte);
          a2[27] = 0;
          if (!HexOpt(o, "--data", &a3[24], 4, err)) return Fail(err);
          r.log.push_back(a1);
          r.log.push_back(a2);
          r.log.push_back(a3);
        } else {
          if (!HexOpt(o, "--data", &a2[24], 4, err)) return Fail(err);
          r.log.push_back(a1);
          r.log.push_back(a2);
        }
      } else if (verb == "add-raw") {
        TLogElement e{};
        if (!o.count("--hex")) return Fail("add-raw needs --hex");
        if (!HexOpt(o, "--hex", e.data(), 28, err)) return Fail(err);
        r.log.push_back(e);
      } else if (verb == "add-user") {
        TExtRecord u{};
        long long tz = 0, authority = 0, reject = 125;
        if (!o.count("--user")) return Fail("add-user needs --user");
        if (!IdOpt(o, "--user", u.data(), err) || !IntOpt(o, "--tz", 0, 255, tz, err) ||
            !IntOpt(o, "--authority", 0, 0x7FFFFFFF, authority, err) ||
            !IntOpt(o, "--reject", 0, 65535, reject, err))
          return Fail(err);
        if (o.count("--template")) {
          const std::string& h = o.at("--template");
          if (h.size() > 22 || h.size() % 2 || !FromHex(h, &u[5], h.size() / 2))
            return Fail("bad --template '" + h + "' (up to 22 hex digits)");
        }
        PutLe32(&u[16], static_cast<uint32_t>(authority));
        u[20] = static_cast<uint8_t>(reject & 0xFF);
        u[21] = static_cast<uint8_t>(reject >> 8);
        u[22] = static_cast<uint8_t>(tz);
        if (o.count("--comment")) {
          const std::string& c = o.at("--comment");
          std::memcpy(&u[42], c.data(), std::min<std::size_t>(c.size(), 16));
        }
        uint64_t first = 0;
        PackedIdToNumber(u.data(), first);
        if (first + static_cast<uint64_t>(count) > 10000000000ULL) return Fail("ids beyond 9999999999");
        if (r.users.size() + static_cast<std::size_t>(count) > r.Capacity() + r.users.count(first))
          return Fail("the reader's memory holds " + std::to_string(r.Capacity()) + " users");
        for (long long i = 0; i < count; ++i) {
          NumberToPackedId(first + static_cast<uint64_t>(i), u.data());
          r.users[first + static_cast<uint64_t>(i)] = u;
        }
      } else {
        return Fail("unknown verb '" + verb + "'\n" + kUsage);
      }
    }
  }
  if (!SaveStateFile(path, state, err)) return Fail(err);
  return 0;
}

}  // namespace zv
