// Timeouts of the reader library, each shortened (or lengthened) by an environment variable
// in milliseconds so that tests need not wait for the defaults.
#pragma once
#include <cstddef>

namespace zv {

int ResponseTimeoutMs();  // RDRDLL32_TIMEOUT_MS, default 3000: answer of a reader, plus line time
int ConnectTimeoutMs();   // RDRDLL32_CONNECT_TIMEOUT_MS, default 5000: TCP connect
int ModemTimeoutMs();     // RDRDLL32_MODEM_TIMEOUT_MS, default 3000: answer to an AT command
int DialTimeoutMs();      // RDRDLL32_DIAL_TIMEOUT_MS, default 60000: CONNECT after dialling
// Time the bytes take on a line of the baud rate (10 bits a byte); 0 when baud is 0 (TCP).
int LineTimeMs(std::size_t bytes, int baud);

}  // namespace zv
