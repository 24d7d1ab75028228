// Dialling and hanging up a Hayes-compatible modem on an open serial line.
#pragma once
#include <string>

namespace zv {

// Sends the initialisation string (when not empty) and waits for OK, then dials the number
// with ATDT and waits for CONNECT. RDR_OK or an RDR_ERR_MODEM_* status, each within its bound.
int DialModem(int fd, int baud, const std::string& init, const std::string& phone);
// Escapes to command mode (when connected) and sends ATH, then drops DTR, so that the line is
// free for the next call.
void HangUpModem(int fd, bool connected);

}  // namespace zv
