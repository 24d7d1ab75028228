// Send configuration (C) and send time (T): the reader's setup block, its time zone and
// holiday table, bell table and function-key menu, and its clock set to the site's time.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>

#include "reader/rdrdll32.h"

namespace zv {

class TReaderConfig;
class TZvCfgList;

// Per-clock steps of C and T on the engine's current clock.
bool ConfigureClock();
bool SetTimeClock();

// The single transfers to the current clock; each writes its own lines.
bool SendSetup();
bool SendTimeZones();
bool SendBells();
bool SendMenu();
bool SendTime();

// Password n (1 Service .. 5 Security) that a reader gets when none is configured.
int DefaultPassword(int n);

// Sets the managed fields of a setup block as the reader delivered it, from the clock's
// configuration (defaults when there is none); `year` is the current year, for the
// daylight-saving dates. Every other byte is left as it is.
void ApplyReaderConfig(const TReaderConfig* config, int year, std::uint8_t setup[kSetupDataSize]);
// The holiday table and the time zones 1 to 60 of zv.cfg (zeros when it is not loaded).
void BuildTimeZoneTable(const TZvCfgList* configs, std::uint8_t table[kTimeZoneTableSize]);
// The bell schedule that the configuration names; zeros without one. Answers how many of
// its bells the table had no room for.
int BuildBellTable(const TZvCfgList* configs, const TReaderConfig* config,
                   std::uint8_t table[kBellTableSize]);

// The menu file name as clock.txt gives it: blanks removed, lower case; "empty.bin" when
// none is given.
std::string MenuFileName(const std::string& clockMenu);
// Reads up to 4096 bytes of the menu file `name` in `dataDir` (found whatever its letter
// case) into `block`, zeros after its end. False for a name that would leave the data
// directory, a file that is missing or unreadable, or anything but a regular file.
bool ReadMenuBlock(const std::string& dataDir, const std::string& name,
                   std::uint8_t block[kFkeyDataSize]);

// A site's hour offset (site.txt's tza): 0 when empty or not a 32-bit number.
long long SiteHourOffset(const std::string& tza);
// The local wall-clock time `local` moved by `hours` on the calendar (no daylight-saving
// correction, as a reader's clock has none).
std::tm ShiftLocalTime(const std::tm& local, long long hours);

}  // namespace zv
