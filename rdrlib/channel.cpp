#include "rdrlib/channel.h"

#include <termios.h>
#include <unistd.h>

#include <map>
#include <vector>

#include "rdrlib/serialline.h"

namespace zv {

namespace {
std::mutex gTableMutex;
std::map<int32_t, TChannelPtr>& Table() {
  static std::map<int32_t, TChannelPtr> t;
  return t;
}
int32_t gNextHandle = 1;
int gNetworkUsers = 0;  // start-ups not yet cleaned up, under gTableMutex
}  // namespace

TChannel::~TChannel() { CloseFd(); }

void TChannel::CloseFd() {
  if (fd < 0) return;
  if (kind == TKind::Serial)
    CloseSerialLine(fd);
  else
    ::close(fd);
  fd = -1;
}

int32_t AddChannel(TChannelPtr channel) {
  std::lock_guard<std::mutex> lock(gTableMutex);
  int32_t h = gNextHandle;
  while (h <= 0 || Table().count(h)) h = (h <= 0) ? 1 : h + 1;
  gNextHandle = h + 1;
  Table()[h] = std::move(channel);
  return h;
}

TChannelPtr FindChannel(int32_t handle) {
  std::lock_guard<std::mutex> lock(gTableMutex);
  auto it = Table().find(handle);
  return it == Table().end() ? nullptr : it->second;
}

TChannelPtr RemoveChannel(int32_t handle) {
  std::lock_guard<std::mutex> lock(gTableMutex);
  auto it = Table().find(handle);
  if (it == Table().end()) return nullptr;
  TChannelPtr c = it->second;
  Table().erase(it);
  return c;
}

void StartNetwork() {
  std::lock_guard<std::mutex> lock(gTableMutex);
  ++gNetworkUsers;
}

void StopNetwork() {
  // Destroyed after the table's lock is given up: a channel still in a call elsewhere keeps
  // its own reference and closes when that call ends.
  std::vector<TChannelPtr> gone;
  {
    std::lock_guard<std::mutex> lock(gTableMutex);
    if (gNetworkUsers > 1) {
      --gNetworkUsers;
      return;
    }
    gNetworkUsers = 0;
    for (auto it = Table().begin(); it != Table().end();) {
      if (it->second->kind == TChannel::TKind::Tcp) {
        gone.push_back(it->second);
        it = Table().erase(it);
      } else {
        ++it;
      }
    }
  }
}

}  // namespace zv
