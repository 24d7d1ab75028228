#include "emulator/emustate.h"

#include <cstring>

namespace zv {

const char* const kLies[4] = {"endless-log", "endless-banks", "other-user", "refuse-users"};

bool IsLie(const std::string& text) {
  for (const char* l : kLies)
    if (text == l) return true;
  return false;
}

TEmuReader::TEmuReader() {
  // A factory setup: passwords 1 to 5, reject threshold 125, lock control 10, beeper on,
  // ID length 11, access tries 6.
  for (int i = 0; i < 5; ++i) setup[static_cast<std::size_t>(i * 10)] = static_cast<uint8_t>('5' - i);
  setup[50] = 125;
  setup[88] = 10;
  setup[112] = 1;
  setup[116] = 11;
  setup[125] = 6;
  display.fill(0xEE);
}

std::size_t TEmuReader::Capacity() const {
  switch (memory) {
    case 0: return 8192;
    case 1: return 16384;
    default: return 40960;
  }
}

TEmuSite* TEmuState::FindSite(int number) {
  for (auto& s : sites)
    if (s.number == number) return &s;
  return nullptr;
}

TEmuReader* TEmuState::FindReader(int site, int address) {
  TEmuSite* s = FindSite(site);
  if (!s) return nullptr;
  auto it = s->readers.find(address);
  return it == s->readers.end() ? nullptr : &it->second;
}

}  // namespace zv
