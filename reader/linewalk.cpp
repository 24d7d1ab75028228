#include "reader/linewalk.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "data/clocklist.h"
#include "data/grouplist.h"
#include "data/site.h"
#include "data/userlist.h"
#include "data/mystringlist.h"
#include "data/zvcfglist.h"
#include "reader/engine.h"
#include "reader/enginehost.h"
#include "util/text.h"

namespace zv {

namespace {

// What a line reported while its site ran, in order, for the program's thread to pass on.
struct TEvent {
  enum TKind { Line, Failure, Progress, ReaderDone, NotReached } kind;
  std::string text;
  const char* operation = nullptr;
  const char* unit = nullptr;
  long long count = 0;
  bool answered = false;
  TSite* site = nullptr;
  TClock* clock = nullptr;
};

// One site's part of the log, its reports and its counts.
struct TBlock {
  std::vector<TEvent> events;
  TEngineTally tally;
};

std::string CountLabel(const char* operation, const char* unit) {
  return std::string(unit ? unit : "") + " (" + (operation ? operation : "") + ")";
}

class TWalk;

// One line's thread: its engine (own library and channel, the operation's files), and the
// host and recorder that hold the running site's lines and reports.
class TLineWorker : public IEngineHost, public IEngineRecorder {
 public:
  TLineWorker(TWalk& walk, IEngineHost* host);

  void Run(const std::string& clock, TClockStep step);

  // IEngineHost: the window is the program thread's; the lists are read through its host.
  void AddLogLine(const std::string& text) override { Add({TEvent::Line, text}); }
  void ProcessMessages() override {}
  bool KeepClockResults(std::string& error) override {
    return !host_ || host_->KeepClockResults(error);
  }
  std::string DataPath() const override { return host_ ? host_->DataPath() : std::string(); }
  std::string PunchPath() const override { return host_ ? host_->PunchPath() : std::string(); }
  TSiteList* Sites() const override { return host_ ? host_->Sites() : nullptr; }
  TClockList* Clocks() const override { return host_ ? host_->Clocks() : nullptr; }
  TUserList* Users() const override { return host_ ? host_->Users() : nullptr; }
  TGroupList* Groups() const override { return host_ ? host_->Groups() : nullptr; }
  TZvCfgList* Configs() const override { return host_ ? host_->Configs() : nullptr; }
  std::string LoadFailure(const std::string& name) const override {
    return host_ ? host_->LoadFailure(name) : std::string();
  }

  // IEngineRecorder.
  void FailureLine(const std::string& text) override { Add({TEvent::Failure, text}); }
  void Progress(const char* operation, long long count, const char* unit) override;
  void ReaderDone(bool answered) override;
  void SiteNotReached() override;

  // What the running site has done so far, for the status display.
  void AddLive(long long& readersDone, std::vector<std::pair<std::string, long long>>& counts);

 private:
  void Add(TEvent event);
  void HandOver();

  TWalk& walk_;
  IEngineHost* host_;
  TEngineState state_;
  TEngineTally tally_;
  TEngineContext context_;
  std::mutex liveMutex_;  // the block and live counts, read by the program's thread
  TBlock block_;
  long long liveDone_ = 0;
  std::map<std::pair<std::string, const TClock*>, long long> liveCounts_;
};

// The walk as the program's thread runs it: the lines to hand out, the blocks handed back,
// and the work that must run where the lists live.
class TWalk {
 public:
  TWalk(std::vector<std::vector<TSite*>> lines, IEngineHost* host)
      : lines_(std::move(lines)), host_(host) {}

  void Run(const std::string& clock, TClockStep step, int threads);

  // For the lines' threads.
  const std::vector<TSite*>* NextLine();
  void LineEnded();
  bool Stopped() {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_ != nullptr;
  }
  void Fail(std::exception_ptr error);
  void HandOver(TBlock block);
  void RunWithLists(TEngineContext* context, const std::function<void()>& work);
  void WorkerEnded();

 private:
  struct TListWork {
    TEngineContext* context;
    const std::function<void()>* work;
    bool done = false;
    std::exception_ptr error;
  };
  void Replay(const TBlock& block);
  void ShowProgress();

  std::vector<std::vector<TSite*>> lines_;
  IEngineHost* host_;
  std::vector<std::unique_ptr<TLineWorker>> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;      // the program's thread: something to do
  std::condition_variable listDone_;  // a line's thread: its list work is done
  std::size_t next_ = 0;
  int busy_ = 0, running_ = 0;
  std::deque<TBlock> finished_;
  std::deque<TListWork*> listWork_;
  std::exception_ptr error_;
};

TLineWorker::TLineWorker(TWalk& walk, IEngineHost* host) : walk_(walk), host_(host) {
  TEngineState& shared = Engine();
  state_.SysLog = shared.SysLog;
  state_.ErrorLog = shared.ErrorLog;
  state_.PunchLog = shared.PunchLog;
  state_.DailyLog = shared.DailyLog;
  state_.TransFile = shared.TransFile;
  state_.UserStore = shared.UserStore;
  if (shared.SeenIds) state_.SeenIds = std::make_unique<std::vector<std::string>>();
  context_.State = &state_;
  context_.Tally = &tally_;
  context_.Host = this;
  context_.Recorder = this;
  context_.RunWithLists = [this](const std::function<void()>& work) {
    walk_.RunWithLists(&context_, work);
  };
}

void TLineWorker::Add(TEvent event) {
  TEngineState& e = state_;
  event.site = e.CurrentSite;
  event.clock = e.CurrentClock;
  std::lock_guard<std::mutex> lock(liveMutex_);
  block_.events.push_back(std::move(event));
}

void TLineWorker::Progress(const char* operation, long long count, const char* unit) {
  std::lock_guard<std::mutex> lock(liveMutex_);
  liveCounts_[{CountLabel(operation, unit), state_.CurrentClock}] = count;
  // Every element reports; only the last count of a run of reports is worth keeping.
  if (!block_.events.empty()) {
    TEvent& last = block_.events.back();
    if (last.kind == TEvent::Progress && last.operation == operation && last.unit == unit &&
        last.clock == state_.CurrentClock && count >= last.count) {
      last.count = count;
      return;
    }
  }
  TEvent e{TEvent::Progress, {}};
  e.operation = operation;
  e.unit = unit;
  e.count = count;
  e.site = state_.CurrentSite;
  e.clock = state_.CurrentClock;
  block_.events.push_back(std::move(e));
}

void TLineWorker::ReaderDone(bool answered) {
  TEvent e{TEvent::ReaderDone, {}};
  e.answered = answered;
  Add(std::move(e));
  std::lock_guard<std::mutex> lock(liveMutex_);
  ++liveDone_;
}

void TLineWorker::SiteNotReached() { Add({TEvent::NotReached, {}}); }

void TLineWorker::AddLive(long long& readersDone,
                          std::vector<std::pair<std::string, long long>>& counts) {
  std::lock_guard<std::mutex> lock(liveMutex_);
  readersDone += liveDone_;
  for (const auto& [key, n] : liveCounts_) {
    auto it = counts.begin();
    while (it != counts.end() && it->first != key.first) ++it;
    if (it == counts.end()) {
      counts.emplace_back(key.first, n);
    } else {
      it->second += n;
    }
  }
}

void TLineWorker::HandOver() {
  TBlock block;
  {
    std::lock_guard<std::mutex> lock(liveMutex_);
    block = std::move(block_);
    block_ = TBlock();
    block.tally = tally_;
    tally_ = TEngineTally();
    liveDone_ = 0;
    liveCounts_.clear();
  }
  walk_.HandOver(std::move(block));
}

void TLineWorker::Run(const std::string& clock, TClockStep step) {
  TEngineContextScope scope(&context_);
  try {
    state_.Rdr = std::make_unique<TRdrDll32>();
    while (const std::vector<TSite*>* line = walk_.NextLine()) {
      for (TSite* site : *line) {
        if (walk_.Stopped()) break;
        WalkSite(site, clock, step);
        state_.CurrentSite = nullptr;
        state_.CurrentClock = nullptr;
        HandOver();
      }
      walk_.LineEnded();
    }
    std::unique_ptr<TRdrDll32> rdr = std::move(state_.Rdr);
    rdr->Unload();
  } catch (...) {
    // What the site wrote before the error still reaches the log.
    HandOver();
    walk_.Fail(std::current_exception());
  }
  walk_.WorkerEnded();
}

const std::vector<TSite*>* TWalk::NextLine() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (error_ || next_ >= lines_.size()) return nullptr;
  ++busy_;
  return &lines_[next_++];
}

void TWalk::LineEnded() {
  std::lock_guard<std::mutex> lock(mutex_);
  --busy_;
}

void TWalk::Fail(std::exception_ptr error) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!error_) error_ = std::move(error);
}

void TWalk::HandOver(TBlock block) {
  std::lock_guard<std::mutex> lock(mutex_);
  finished_.push_back(std::move(block));
  wake_.notify_all();
}

void TWalk::WorkerEnded() {
  std::lock_guard<std::mutex> lock(mutex_);
  --running_;
  wake_.notify_all();
}

void TWalk::RunWithLists(TEngineContext* context, const std::function<void()>& work) {
  TListWork item{context, &work, false, nullptr};
  std::unique_lock<std::mutex> lock(mutex_);
  listWork_.push_back(&item);
  wake_.notify_all();
  listDone_.wait(lock, [&] { return item.done; });
  if (item.error) std::rethrow_exception(item.error);
}

void TWalk::Replay(const TBlock& block) {
  TEngineState& e = Engine();
  IEngineRecorder* recorder = EngineRecorder();
  for (const TEvent& ev : block.events) {
    e.CurrentSite = ev.site;
    e.CurrentClock = ev.clock;
    switch (ev.kind) {
      case TEvent::Line:
        if (host_) host_->AddLogLine(ev.text);
        break;
      case TEvent::Failure:
        if (recorder) recorder->FailureLine(ev.text);
        break;
      case TEvent::Progress:
        if (recorder) recorder->Progress(ev.operation, ev.count, ev.unit);
        if (host_) host_->Progress(ev.operation, ev.count, ev.unit);
        break;
      case TEvent::ReaderDone:
        if (recorder) recorder->ReaderDone(ev.answered);
        if (host_) host_->ReaderDone();
        break;
      case TEvent::NotReached:
        if (recorder) recorder->SiteNotReached();
        if (host_) host_->ReaderDone();
        break;
    }
  }
  AddTally(Tally(), block.tally);
  e.CurrentSite = nullptr;
  e.CurrentClock = nullptr;
}

void TWalk::ShowProgress() {
  if (!host_) return;
  long long done = 0;
  std::vector<std::pair<std::string, long long>> counts;
  int busy;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    busy = busy_;
  }
  for (auto& w : workers_) w->AddLive(done, counts);
  host_->LinesProgress(busy, done, counts);
}

void TWalk::Run(const std::string& clock, TClockStep step, int threads) {
  std::vector<std::thread> started;
  running_ = threads;
  for (int i = 0; i < threads; ++i) workers_.push_back(std::make_unique<TLineWorker>(*this, host_));
  try {
    for (int i = 0; i < threads; ++i)
      started.emplace_back([this, i, &clock, step] { workers_[i]->Run(clock, step); });
  } catch (const std::system_error&) {
    // Fewer threads than asked for: the lines are shared among those there are.
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = static_cast<int>(started.size());
    if (started.empty()) error_ = std::current_exception();
  }
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait_for(lock, std::chrono::milliseconds(50),
                   [&] { return !finished_.empty() || !listWork_.empty() || running_ == 0; });
    while (!listWork_.empty() || !finished_.empty()) {
      if (!listWork_.empty()) {
        TListWork* item = listWork_.front();
        listWork_.pop_front();
        lock.unlock();
        {
          TEngineContextScope as(item->context);
          try {
            (*item->work)();
          } catch (...) {
            item->error = std::current_exception();
          }
        }
        lock.lock();
        item->done = true;
        listDone_.notify_all();
      } else {
        TBlock block = std::move(finished_.front());
        finished_.pop_front();
        lock.unlock();
        Replay(block);
        if (host_) host_->ProcessMessages();
        lock.lock();
      }
    }
    if (running_ == 0) break;
    lock.unlock();
    ShowProgress();
    if (host_) host_->ProcessMessages();
    lock.lock();
  }
  lock.unlock();
  for (std::thread& t : started) t.join();
  if (host_) host_->LinesProgress(-1, 0, {});
  if (error_) std::rethrow_exception(error_);
}

// Lookups build their indexes on first use; built here, the lines only read them.
void BuildIndexes(IEngineHost* host) {
  if (!host) return;
  if (TClockList* clocks = host->Clocks()) clocks->SiteHasClocks("");
  if (TUserList* users = host->Users()) users->FindUser("");
  if (TGroupList* groups = host->Groups()) groups->GetTimeZone("", "", "");
  if (TZvCfgList* configs = host->Configs()) configs->ReaderConfigs();
}

}  // namespace

std::string LineOf(const TSite& site) {
  if (site.ConnectionType() != 3) return "port " + std::to_string(SitePortIndex(site));
  // The address's four numbers as the site itself reads them: "010.0.0.7" is "10.0.0.7".
  std::string line = "ip";
  for (int n = 1; n <= 4; ++n)
    line += (n == 1 ? " " : ".") + std::to_string(StrToIntDef(TableField(n, site.IpAddress(), "."), -1));
  return line;
}

std::vector<std::vector<TSite*>> GroupByLine(const std::vector<TSite*>& sites) {
  std::vector<std::vector<TSite*>> lines;
  std::map<std::string, std::size_t> index;
  for (TSite* site : sites) {
    auto [it, added] = index.emplace(LineOf(*site), lines.size());
    if (added) lines.emplace_back();
    lines[it->second].push_back(site);
  }
  return lines;
}

bool WalkLines(const std::vector<TSite*>& sites, const std::string& clock, TClockStep step,
               int lines) {
  std::vector<std::vector<TSite*>> grouped = GroupByLine(sites);
  if (lines <= 1 || grouped.size() <= 1) return false;
  IEngineHost* host = EngineHost();
  BuildIndexes(host);
  const int threads = static_cast<int>(std::min<std::size_t>(grouped.size(), lines));
  TWalk walk(std::move(grouped), host);
  walk.Run(clock, step, threads);
  return true;
}

}  // namespace zv
