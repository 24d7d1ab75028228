// A channel of the reader library: one TCP connection, serial line or modem line with the
// protocol state kept for it, and the table that maps handles to channels. Channels share
// nothing but the table, so calls on different channels run at once from several threads.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "rdrlib/frame.h"

namespace zv {

struct TChannel {
  enum class TKind { Tcp, Serial };
  TKind kind = TKind::Tcp;
  int portIndex = -1;      // serial: COM (portIndex + 1)
  std::string device;      // serial: the device path
  std::string modemInit;   // modem initialisation string, empty when none
  bool modem = false;      // opened through a modem
  int fd = -1;
  int baud = 0;            // 0 on TCP: no line time
  bool broken = false;     // the other side went away: fail at once until closed
  int selected = -1;       // reader address chosen by rdrSetHandReader, -1 none
  uint8_t sequence = 0;
  TFrameDecoder decoder;
  // The last data log request, kept so that a repeat goes out as the same request and the
  // reader can tell it from a new one.
  bool logRetry = false;
  uint8_t logSequence = 0;
  uint8_t logFlag = 0;
  std::string modemTail;   // the last bytes read on a modem line, to see NO CARRIER
  std::mutex mu;           // one call at a time on a channel

  ~TChannel();
  void CloseFd();
};

using TChannelPtr = std::shared_ptr<TChannel>;

// Registers a channel and returns its handle (never 0).
int32_t AddChannel(TChannelPtr channel);
TChannelPtr FindChannel(int32_t handle);
// Removes and returns the channel, or null.
TChannelPtr RemoveChannel(int32_t handle);
// The network is started and cleaned up in pairs, as with sockets on the readers' own
// platform: the clean-up that matches the first start-up removes every TCP channel (so does
// one without any start-up); earlier ones only count down.
void StartNetwork();
void StopNetwork();

}  // namespace zv
