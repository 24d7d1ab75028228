// Opening a TCP connection to a reader site with a connect timeout.
#pragma once
#include <cstdint>

namespace zv {

// A dotted IPv4 address of four decimal parts 0 to 255 (leading zeros allowed, blanks around
// it ignored) into a host-order number.
bool ParseIpv4(const char* address, uint32_t& ip);
// Connects to a numeric IPv4 address; RDR_OK with a non-blocking fd, else a status.
int ConnectTcp(const char* address, int32_t port, int timeoutMs, int& fd);

}  // namespace zv
