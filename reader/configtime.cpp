#include "reader/configtime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "data/clock.h"
#include "data/site.h"
#include "data/zvcfglist.h"
#include "reader/engine.h"
#include "reader/enginehost.h"
#include "reader/walks.h"
#include "util/clock.h"
#include "util/fileio.h"
#include "util/text.h"

namespace zv {

namespace {

const TZvCfgList* Configs() {
  IEngineHost* host = EngineHost();
  return host ? host->Configs() : nullptr;
}

const TReaderConfig* CurrentReaderConfig() {
  const TZvCfgList* cfg = Configs();
  const TClock* clock = Engine().CurrentClock;
  return cfg && clock ? cfg->FindReaderConfig(clock->Site(), clock->Clock()) : nullptr;
}

// A configuration value as the reader gets it: the decimal number, or the default when the
// text is empty, not a number or beyond 32 bits.
long long Value(const std::string& text, long long def) {
  long long v;
  if (!ParseInt(TrimBlanks(text), v) || v < INT32_MIN || v > INT32_MAX) return def;
  return v;
}

void PutLe(std::uint8_t* p, long long v, int bytes) {
  auto u = static_cast<unsigned long long>(v);
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

void PutPassword(std::uint8_t* field, const std::string& text, int n) {
  std::string digits = std::to_string(Value(text, DefaultPassword(n)));
  std::memset(field, 0, 10);
  std::memcpy(field, digits.data(), std::min<std::size_t>(digits.size(), 10));
}

// Month, day, hour and minute of "m:d:h:n"; six zero bytes when the month or the day is 0.
void PutDaylightSaving(std::uint8_t* out, const TColonFields& f, int year) {
  std::memset(out, 0, 6);
  auto month = static_cast<std::uint8_t>(Value(f.a, 0));
  auto day = static_cast<std::uint8_t>(Value(f.b, 0));
  if (month == 0 || day == 0) return;
  out[1] = static_cast<std::uint8_t>(Value(f.d, 0));
  out[2] = static_cast<std::uint8_t>(Value(f.c, 2));
  out[3] = day;
  out[4] = month;
  out[5] = static_cast<std::uint8_t>(year % 100);
}

bool SafeMenuName(const std::string& name) {
  // clock.txt is edited by hand: a name must not reach outside the data directory.
  return !name.empty() && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos && name.find("..") == std::string::npos &&
         name.find('\0') == std::string::npos;
}

}  // namespace

int DefaultPassword(int n) { return n; }

void ApplyReaderConfig(const TReaderConfig* c, int year, std::uint8_t setup[kSetupDataSize]) {
  static const std::string none;
  // Security (5) first, Service (1) last.
  for (int n = 5; n >= 1; --n) PutPassword(setup + 10 * (5 - n), c ? c->Password(n) : none, n);
  PutLe(setup + 50, Value(c ? c->RejectThreshold() : none, 125), 2);
  PutLe(setup + 88, Value(c ? c->LockControl() : none, 10), 2);
  PutLe(setup + 112, Value(c ? c->Beeper() : none, 1), 4);
  PutLe(setup + 116, Value(c ? c->IdLength() : none, 11), 1);
  PutLe(setup + 117, Value(c ? c->PunchMode() : none, 0), 1);
  PutLe(setup + 125, Value(c ? c->AccessTries() : none, 6), 1);
  PutDaylightSaving(setup + 126, c ? c->GetDlsStart() : TColonFields{}, year);
  PutDaylightSaving(setup + 132, c ? c->GetDlsEnd() : TColonFields{}, year);
  PutLe(setup + 140, Value(c ? c->HourDisplay() : none, 0), 4);
}

void BuildTimeZoneTable(const TZvCfgList* cfg, std::uint8_t table[kTimeZoneTableSize]) {
  std::memset(table, 0, kTimeZoneTableSize);
  if (!cfg) return;
  // The first holiday table, read without creating one: a send must not change zv.cfg.
  std::vector<THoliday*> holidays = cfg->Holidays();
  if (!holidays.empty()) holidays.front()->ToReaderBlock(table, THoliday::kReaderBlockSize);
  for (int n = 1; n <= 60; ++n) {
    if (const TTimeZone* z = cfg->FindTimeZone(std::to_string(n)))
      z->ToReaderBlock(table + THoliday::kReaderBlockSize + 12 * (n - 1), TTimeZone::kReaderBlockSize);
  }
}

int BuildBellTable(const TZvCfgList* cfg, const TReaderConfig* config,
                   std::uint8_t table[kBellTableSize]) {
  std::memset(table, 0, kBellTableSize);
  if (!cfg || !config || config->BellSchedule().empty()) return 0;
  const TBellSchedule* s = cfg->FindBellSchedule(config->BellSchedule());
  return s ? s->Count() - s->ToReaderBlock(table, kBellTableSize) : 0;
}

std::string MenuFileName(const std::string& clockMenu) {
  std::string name = LowerAscii(TrimBlanks(clockMenu));
  return name.empty() ? "empty.bin" : name;
}

bool ReadMenuBlock(const std::string& dataDir, const std::string& name,
                   std::uint8_t block[kFkeyDataSize]) {
  std::memset(block, 0, kFkeyDataSize);
  if (!SafeMenuName(name)) return false;
  bool ambiguous = false;
  std::string path = FindFileIgnoreCase(dataDir, name, &ambiguous);
  if (ambiguous) return false;
  // Not blocking on open, and nothing but a regular file: a FIFO or a device named as a menu
  // must neither hang the run nor be sent.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  std::size_t got = 0;
  while (ok && got < kFkeyDataSize) {
    ssize_t n = ::read(fd, block + got, kFkeyDataSize - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (!ok) std::memset(block, 0, kFkeyDataSize);
  return ok;
}

long long SiteHourOffset(const std::string& tza) { return Value(tza, 0); }

std::tm ShiftLocalTime(const std::tm& local, long long hours) {
  // Calendar arithmetic on the wall-clock time: as UTC, so that no daylight-saving rule of
  // the host moves it.
  std::tm t = local;
  t.tm_isdst = 0;
  std::time_t shifted = timegm(&t) + static_cast<std::time_t>(hours * 3600);
  std::tm out{};
  gmtime_r(&shifted, &out);
  return out;
}

bool SendSetup() {
  TRdrDll32& rdr = *Engine().Rdr;
  LogClock("Retrieving setup for modification.");
  std::uint8_t setup[kSetupDataSize];
  if (!rdr.GetSetupData(setup)) {
    LogClockError("Failed to retrive setup for modification.");
    return false;
  }
  const TReaderConfig* config = CurrentReaderConfig();
  if (!config) LogClock("WARNING: No configuration defined, using defaults.");
  ApplyReaderConfig(config, LocalNow().tm_year + 1900, setup);
  LogClock("Sending updated configuration.");
  if (!rdr.HereIsSetupData(setup)) {
    LogClockError("Failed to download setup after modification.");
    return false;
  }
  LogClock("Configuration sent.");
  return true;
}

bool SendTimeZones() {
  LogClock("Downloading timezones.");
  std::uint8_t table[kTimeZoneTableSize];
  BuildTimeZoneTable(Configs(), table);
  return Engine().Rdr->SetTimeZoneTable(table);
}

bool SendBells() {
  LogClock("Downloading bell schedule.");
  std::uint8_t table[kBellTableSize];
  const TReaderConfig* config = CurrentReaderConfig();
  const int left = BuildBellTable(Configs(), config, table);
  // The reader has room for so many; the administrator must learn which bells will not ring.
  if (left > 0)
    LogClock("WARNING: Bell schedule " + config->BellSchedule() + " has " +
             std::to_string(TBellSchedule::kReaderBells + left) + " bells; only the first " +
             std::to_string(TBellSchedule::kReaderBells) + " were sent.");
  return Engine().Rdr->SetBellSchedule(table);
}

bool SendMenu() {
  std::string given = LowerAscii(TrimBlanks(Engine().CurrentClock->Menu()));
  if (given.empty())
    LogClock("No menu specified, clearing existing menu.");
  else
    LogClock("Downloading menu " + given + ".");
  std::uint8_t block[kFkeyDataSize];
  IEngineHost* host = EngineHost();
  if (!ReadMenuBlock(host ? host->DataPath() : std::string(), MenuFileName(given), block)) {
    ++Tally().LocalFailures;  // the file, not the reader: nothing was asked of it
    return false;
  }
  return Engine().Rdr->HereIsFkeyData(block);
}

bool SendTime() {
  LogClock("Downloading time and date.");
  const TSite* site = Engine().CurrentSite;
  std::tm t = ShiftLocalTime(LocalNow(), site ? SiteHourOffset(site->Tza()) : 0);
  // The record holds two year digits; a year it cannot say is not sent as another one.
  int year = t.tm_year + 1900;
  if (year < 1900 || year > 2099) return false;
  bool ok = Engine().Rdr->HereIsTime(t);
  if (ok) Engine().Rdr->HereIsDisplayMessage(0, 2, "TIME SET", "");
  return ok;
}

bool ConfigureClock() {
  if (!StartClockStep()) return false;
  if (!SendSetup() || !SendTimeZones() || !SendBells()) {
    LogClockError("Failed to download configuration");
    return false;
  }
  if (!SendMenu()) {
    LogClockError("Failed to download menu");
    return false;
  }
  return true;
}

bool SetTimeClock() {
  if (!StartClockStep()) return false;
  LogClock("Sending time and date.");
  if (!SendTime()) {
    LogClockError("Failed to set time");
    return false;
  }
  LogClock("Time and date sent.");
  return true;
}

}  // namespace zv
