// Reading and writing a socket or a line with a deadline, so that no call waits for ever.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace zv {

using TClock = std::chrono::steady_clock;
using TDeadline = TClock::time_point;

TDeadline DeadlineIn(int ms);
int MsLeft(TDeadline deadline);  // 0 once passed

// RDR_OK when all was written; RDR_ERR_TIMEOUT, RDR_ERR_CLOSED or RDR_ERR_IO otherwise.
int WriteAll(int fd, const uint8_t* data, std::size_t len, TDeadline deadline);
// Waits for at least one byte until the deadline: RDR_OK with got > 0, RDR_ERR_TIMEOUT,
// RDR_ERR_CLOSED (end of file, hang-up) or RDR_ERR_IO.
int ReadSome(int fd, uint8_t* buf, std::size_t cap, std::size_t& got, TDeadline deadline);
// Throws away what is waiting to be read now.
void DrainInput(int fd);
bool SetNonBlocking(int fd);

}  // namespace zv
