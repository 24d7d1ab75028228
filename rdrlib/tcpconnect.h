// Opening a TCP connection to a reader site with a connect timeout.
#pragma once
#include <cstdint>

namespace zv {

// Connects to a numeric IPv4 address; RDR_OK with a non-blocking fd, else a status.
int ConnectTcp(const char* address, int32_t port, int timeoutMs, int& fd);

}  // namespace zv
