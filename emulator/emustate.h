// The emulated readers: sites, each with its line settings and faults, and the readers on
// it with their users, data log, setup block and tables.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace zv {

using TLogElement = std::array<uint8_t, 28>;
using TExtRecord = std::array<uint8_t, 92>;  // bytes 0..23 are the user record

struct TEmuReader {
  int address = 0;
  int model = 0;
  int memory = 0;
  bool online = true;
  bool idle = false;
  bool nvramSaved = false;   // the setup block was made permanent
  long long clockOffset = 0; // seconds between the reader's clock and the host's local time
  std::array<uint8_t, 144> setup{};
  std::array<uint8_t, 2208> timeZones{};
  std::array<uint8_t, 400> bells{};
  std::vector<uint8_t> fkeys = std::vector<uint8_t>(4096, 0);
  std::array<uint8_t, 44> display{};
  // The last time record that set the clock, as received; all zero before the first.
  std::array<uint8_t, 6> timeSent{};
  std::map<uint64_t, TExtRecord> users;  // by id number
  std::deque<TLogElement> log;
  std::vector<std::array<uint8_t, 44>> messages;
  // How the reader lies, to try the program against it; kLies lists the ways, "" is honest.
  std::string lie;
  // Not saved: delivery state of the data log and the bank being received.
  bool logDelivered = false;
  uint8_t logSequence = 0;
  int bankNumber = 0;
  uint32_t liesTold = 0;  // punches made up by the endless log

  TEmuReader();
  // Users the memory code leaves room for (16-byte records).
  std::size_t Capacity() const;
  int RecordSize() const { return model == 2 ? 77 : 16; }
};

// The ways a reader can lie: "endless-log" answers every log request with a new valid punch
// and never the end; "endless-banks" answers every bank past its users with a bank of empty
// slots, never the end; "other-user" answers a user request with another user's record;
// "refuse-users" refuses every user request.
extern const char* const kLies[4];
bool IsLie(const std::string& text);

struct TEmuFaults {
  int delayMs = 0;      // before each answer
  int dropAfter = 0;    // close the connection (or drop the carrier) after N answers
  int corruptEvery = 0; // damage every Nth answer
  int garbage = 0;      // bytes of noise before each answer
  int muteAfter = 0;    // stop answering after N answers
};

struct TEmuSite {
  int number = 0;
  std::string tcp;          // "address:port", empty when on a serial line
  std::string serial;       // path where the line's device is linked
  std::string phone;        // the site's modem number; empty for a direct line
  std::string modemAnswer;  // "", "BUSY", "NO CARRIER" or "SILENT"
  int baud = 0;             // pace the line to this rate; 0 = as fast as it goes
  TEmuFaults faults;
  std::map<int, TEmuReader> readers;
};

struct TEmuState {
  std::vector<TEmuSite> sites;
  TEmuSite* FindSite(int number);
  TEmuReader* FindReader(int site, int address);
};

}  // namespace zv
