// Serial devices of the reader library: which device COM n is, and opening it raw.
#pragma once
#include <string>
#include <vector>

namespace zv {

// COM (portIndex + 1): $RDRDLL32_COMn when set, else /dev/ttyS{portIndex}.
std::string SerialDevicePath(int portIndex);
// Opens the device raw, 8 data bits, no parity, one stop bit, at the baud; RDR_OK with a
// non-blocking fd, else a status. The line is taken for this process alone, as other Linux
// serial programs take theirs: a line that another program holds (its lock on the device, or
// a UUCP lock file of a live process) is RDR_ERR_CONNECT, and nothing is sent on it.
int OpenSerialLine(const std::string& device, int baud, int& fd);
// Drops what is still unsent, gives the line back and closes it.
void CloseSerialLine(int fd);
// True when a UUCP lock file for the device (LCK..name in one of the directories) names a
// live process other than this one. A stale or unreadable lock file holds nothing.
bool UucpLockHeld(const std::string& device, const std::vector<std::string>& lockDirs);
bool SetLineBaud(int fd, int baud);
bool SetDtr(int fd, bool on);

}  // namespace zv
