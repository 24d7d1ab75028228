// The reader information line that every per-clock step shows, and the communications test.
#pragma once
#include <string>
#include <vector>

namespace zv {

class TSite;

std::string ReaderModelText(int modelCode);
std::string ReaderMemoryText(int memoryCode);

// Reads the current clock's model and memory and writes them as one window line.
void ShowReaderInfo();
// The per-clock step of the communications test: true when the clock answered.
bool TestClock();
// Entry operation of the communications test (X).
bool TestSites(const std::vector<TSite*>& sites, const std::string& clock);

}  // namespace zv
