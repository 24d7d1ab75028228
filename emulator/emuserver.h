// The emulator's serving loop: one TCP listener or pseudo-terminal line per site, several
// connections at a time, line pacing, the faults of each site, and the periodic state save.
#pragma once
#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "emulator/emustate.h"
#include "rdrlib/frame.h"

namespace zv {

class TEmuServer {
 public:
  using TTime = std::chrono::steady_clock::time_point;
  // statePath may be empty: nothing is saved then.
  TEmuServer(TEmuState& state, std::string statePath);
  ~TEmuServer();
  TEmuServer(const TEmuServer&) = delete;
  TEmuServer& operator=(const TEmuServer&) = delete;

  // Opens every site's listener or line; false with a message when one cannot be opened.
  bool Start(std::string& error);
  // Serves until Stop (or SIGTERM/SIGINT when InstallSignalHandlers was called), then saves.
  bool Run(std::string& error);
  void Stop();
  // "site N tcp ADDR:PORT" or "site N serial PATH" for every site, as served.
  std::vector<std::string> Endpoints() const;
  static void InstallSignalHandlers();

 private:
  struct TConn {
    int fd = -1;
    std::size_t site = 0;
    bool pty = false;
    bool closed = false;
    TFrameDecoder decoder;
    std::vector<uint8_t> rxRaw;      // read but not yet arrived on a paced line
    TTime rxClock{}, txClock{}, lastRx{};
    std::deque<std::pair<TTime, std::vector<uint8_t>>> pending;  // answers held by a delay
    std::size_t pendingBytes = 0;
    std::vector<uint8_t> tx;
    std::size_t txPos = 0;
    long answers = 0;
    bool dropWhenSent = false;
    bool modemData = false;          // connected (data mode) on a modem line
    std::string command;             // AT command being typed
    int plus = 0;                    // '+' of an escape seen so far
  };
  struct TLine {
    int listenFd = -1;
    int slaveFd = -1;                // held open so the line never hangs up
    std::string link;                // path linked to the pseudo terminal
    std::string endpoint;            // where the site is served, for the ready report
  };

  bool OpenPty(std::size_t site, std::string& error);
  void ReadConn(TConn& c, TTime now);
  void Arrive(TConn& c, const uint8_t* data, std::size_t len, TTime now);
  void ModemCommandBytes(TConn& c, const uint8_t* data, std::size_t len);
  void ModemReply(TConn& c, const std::string& text);
  void Answer(TConn& c, const TFrame& request, TTime now);
  void Release(TConn& c, TTime now);
  void WriteConn(TConn& c, TTime now);
  void Drop(TConn& c);
  std::chrono::microseconds ByteTime(const TConn& c) const;
  void SaveNow();

  TEmuState& state_;
  std::string statePath_;
  std::vector<TLine> lines_;
  std::vector<TConn> conns_;
  bool dirty_ = false;
  TTime lastSave_{};
  unsigned rng_ = 12345;
};

}  // namespace zv
