// The reader information line that every per-clock step shows, and the communications test.
#pragma once
#include <string>
#include <vector>

namespace zv {

class TSite;

std::string ReaderModelText(int modelCode);
std::string ReaderMemoryText(int memoryCode);

// The bytes of memory a memory code stands for; an unknown code counts as the largest.
long long ReaderMemoryBytes(int memoryCode);
// Records of 16 bytes (the smallest a reader keeps of a user or a log element) that the memory
// holds: no reader can hold more users, nor log more elements. A reader that sends more is
// lying or broken, and an operation that trusted it would never end.
long long ReaderMemoryRecords(int memoryCode);
// The memory code that ShowReaderInfo read last; -1 when its request failed.
int ShownMemoryCode();

// Reads the current clock's model and memory and writes them as one window line.
void ShowReaderInfo();
// The per-clock step of the communications test: true when the clock answered.
bool TestClock();
// Entry operation of the communications test (X).
bool TestSites(const std::vector<TSite*>& sites, const std::string& clock);

}  // namespace zv
