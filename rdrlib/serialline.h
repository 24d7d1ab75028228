// Serial devices of the reader library: which device COM n is, and opening it raw.
#pragma once
#include <string>

namespace zv {

// COM (portIndex + 1): $RDRDLL32_COMn when set, else /dev/ttyS{portIndex}.
std::string SerialDevicePath(int portIndex);
// Opens the device raw, 8 data bits, no parity, one stop bit, at the baud; RDR_OK with a
// non-blocking fd, else a status.
int OpenSerialLine(const std::string& device, int baud, int& fd);
bool SetLineBaud(int fd, int baud);
bool SetDtr(int fd, bool on);

}  // namespace zv
