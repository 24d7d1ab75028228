// The main window as the engine's host: log lines of an operation (every line, in order, never
// behind when events run), library calls that wait with the event loop turning, and the
// status bar line of an operation's progress.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QAction>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTimer>
#include <chrono>
#include <stdexcept>
#include <thread>

#include <unistd.h>

#include "app/apptest.h"
#include "app/logwindow.h"
#include "app/progressstatus.h"
#include "app/shellhost.h"
#include "app/waitingcall.h"
#include "data/site.h"
#include "data/sitelist.h"
#include "reader/commands.h"
#include "reader/engine.h"
#include "reader/rdrdll32.h"

namespace zv {
namespace {

class ShellHostTest : public TAppTest {
 protected:
  std::string Text(TfrmZorvan& w) { return w.lb->toPlainText().toStdString(); }
};

TEST_F(ShellHostTest, LinesOfAnOperationKeepTheirOrderAndAreInTheWindowWhenEventsRun) {
  auto w = ShownWindow();
  std::string expected = Text(*w);  // the load lines
  int added = 0;
  int checks = 0, behind = 0;
  // Whenever events run during the burst, the window holds every line added so far.
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    ++checks;
    if (Text(*w) != expected) ++behind;
  });
  watcher.start(0);
  {
    TEngineHostScope scope(*w);
    IEngineHost* host = EngineHost();
    const int n = TLogWindow::kMaxGathered * 3 + 7;
    auto until = std::chrono::steady_clock::now() + 3 * TLogWindow::kInterval;
    for (int i = 0; i < n || std::chrono::steady_clock::now() < until; ++i) {
      // Odd bytes and empty lines go through unchanged.
      std::string line = i % 97 == 0 ? std::string() : "line " + std::to_string(i) + " \xe9";
      if (!expected.empty()) expected += "\n";
      expected += QString::fromLatin1(line.data(), int(line.size())).toStdString();
      host->AddLogLine(line);
      ++added;
      if (i % 500 == 250) host->ProcessMessages();
      if (i == 1234) host->SleepMs(1);
    }
  }
  watcher.stop();
  EXPECT_EQ(Text(*w), expected);
  EXPECT_TRUE(w->lb->document()->isModified());
  EXPECT_GE(checks, 2) << "events never ran during the burst";
  EXPECT_EQ(behind, 0);
  // Outside an operation a line is there at once.
  w->AddLogLine("Done");
  EXPECT_EQ(Text(*w), expected + "\nDone");
}

TEST_F(ShellHostTest, WaitingCallTurnsTheEventLoopOnlyWhenTheCallTakesLong) {
  TWaitingCall waiting;
  struct TCase {
    const char* name;
    std::chrono::milliseconds takes;
    bool raises;
    bool eventsExpected;
  } cases[] = {
      {"quick call", std::chrono::milliseconds(0), false, false},
      {"slow call", std::chrono::milliseconds(150), false, true},
      {"slow call that raises", std::chrono::milliseconds(60), true, true},
      {"quick call that raises", std::chrono::milliseconds(0), true, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    bool timerRan = false, ranOnOtherThread = false;
    int before = 0;
    QTimer::singleShot(0, [&] { timerRan = true; });
    std::thread::id self = std::this_thread::get_id();
    auto call = [&] {
      ranOnOtherThread = std::this_thread::get_id() != self;
      std::this_thread::sleep_for(c.takes);
      if (c.raises) throw std::runtime_error("reader gone");
    };
    if (c.raises) {
      EXPECT_THROW(waiting.Run(call, [&] { ++before; }), std::runtime_error);
    } else {
      waiting.Run(call, [&] { ++before; });
    }
    EXPECT_TRUE(ranOnOtherThread);
    if (c.eventsExpected) {
      EXPECT_TRUE(timerRan);
      EXPECT_EQ(before, 1);
    } else {
      // A quick call normally ends within the quiet wait; on a loaded machine it may not, and
      // then the events run as for a slow one: never more than once, never without `before`.
      EXPECT_LE(before, 1);
      EXPECT_EQ(timerRan, before == 1);
    }
    QCoreApplication::processEvents();
  }
  // A call made by an event handler during a wait runs at once on this thread.
  bool nestedOnThisThread = false;
  QTimer::singleShot(0, [&] {
    std::thread::id self = std::this_thread::get_id();
    waiting.Run([&] { nestedOnThisThread = std::this_thread::get_id() == self; }, nullptr);
  });
  waiting.Run([] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }, nullptr);
  EXPECT_TRUE(nestedOnThisThread);
}

TEST_F(ShellHostTest, WhileASilentReaderIsAwaitedTheWindowAnswersUnderTheBusyRules) {
  // A reader on a loopback address of this test that takes the connection and never answers.
  int pid = static_cast<int>(getpid());
  std::string addr = "127." + std::to_string(100 + pid % 50) + "." +
                     std::to_string(pid / 50 % 250 + 1) + ".7";
  QTcpServer silent;
  ASSERT_TRUE(silent.listen(QHostAddress(QString::fromStdString(addr)), 3001));
  setenv("RDRDLL32_TIMEOUT_MS", "250", 1);
  TRdrDll32::LibraryName = QCoreApplication::applicationDirPath().toStdString() + "/librdrdll32.so";
  std::string data = MakeDir("data");
  WriteFile(data + "site.txt", "    1, , , , , , 0, " + addr + ", silent\r\n");
  WriteFile(data + "clock.txt", "    1,     1\r\n");
  WriteSettings("[Zorvan32]\r\nDataPath=" + data + "\r\nInterCommandDelay=1\r\n");
  auto w = ShownWindow();
  w->Parameters = {"X"};
  // Offscreen, as tests run, nobody sees the window; here it counts as seen.
  SetCallThreading(TCallThreading::Always);

  // A timer every 20 ms, and at each tick while the reader is asked: what a person would find.
  QElapsedTimer clock;
  std::vector<qint64> ticks;
  int duringCall = 0, menusOpen = 0, closeAccepted = 0, lineShown = 0;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    ticks.push_back(clock.elapsed());
    std::string text = Text(*w);
    if (text.find("Testing communications.") == std::string::npos ||
        text.find("Clock is not responding") != std::string::npos)
      return;
    ++duringCall;
    if (text.find("Site 1, Clock 1: Testing communications.") != std::string::npos) ++lineShown;
    if (w->mniPoll->isEnabled() || w->mniSites->isEnabled()) ++menusOpen;
    if (w->close()) ++closeAccepted;
  });
  clock.start();
  ticker.start(20);
  w->StartCommandLineRun();  // X: three attempts of 250 ms, then the pause of a second
  ticker.stop();
  SetCallThreading(TCallThreading::WhenSeen);
  TRdrDll32::LibraryName = "librdrdll32.so";
  unsetenv("RDRDLL32_TIMEOUT_MS");

  std::string text = Text(*w);
  EXPECT_NE(text.find("Site 1, Clock 1: Testing communications.\n"
                      "Site 1, Clock 1: Clock is not responding\n"
                      "Summary: 0 readers answered, 1 did not (Site 1, Clock 1), 1 failure line\n"
                      "Finished processing command line paramter #1, X"),
            std::string::npos) << text;
  EXPECT_FALSE(w->isVisible());  // closed by the run itself at its end
  // The timer kept its pace all through (the call alone takes 750 ms).
  EXPECT_GE(duringCall, 10) << ticks.size() << " ticks";
  qint64 gap = ticks.empty() ? clock.elapsed() : ticks.front();
  for (std::size_t i = 1; i < ticks.size(); ++i) gap = std::max(gap, ticks[i] - ticks[i - 1]);
  EXPECT_LT(gap, 250);
  EXPECT_EQ(lineShown, duringCall);
  EXPECT_EQ(menusOpen, 0);
  EXPECT_EQ(closeAccepted, 0);
}

TEST_F(ShellHostTest, StatusBarFollowsTheWholeOperationAFewTimesASecond) {
  struct TCase {
    const char* op;
    long long done, selected;
    TProgressStatus::TCounts counts;
    const char* text;
    int linesBusy = -1;
  } texts[] = {
      {"Poll", 3, 7, {{"transactions (Poll)", 1234}}, "Poll: 3 of 7 readers, 1,234 transactions"},
      {"Get Database", 1, 1, {{"users (Get)", 1}}, "Get Database: 1 of 1 reader, 1 user"},
      {"Test Communications", 0, 0, {}, "Test Communications: 0 of 0 readers"},
      {"Restore Full Database", 2, 2, {{"banks (Restore)", 1000000}, {"users", 0}},
       "Restore Full Database: 2 of 2 readers, 1,000,000 banks, 0 users"},
      {"Poll", 5, 40, {{"transactions (Poll)", 20}}, "Poll: 5 of 40 readers, 4 lines busy, 20 transactions", 4},
      {"Send Time", 39, 40, {}, "Send Time: 39 of 40 readers, 1 line busy", 1},
  };
  for (const TCase& t : texts)
    EXPECT_EQ(TProgressStatus::Text(t.op, t.done, t.selected, t.counts, t.linesBusy), t.text);

  std::string data = MakeDir("data");
  WriteFile(data + "site.txt", "    7, , , , , , 0, , seven\r\n    8, , , , , , 0, , eight\r\n");
  WriteFile(data + "clock.txt", "    7,     3\r\n    7,    12\r\n    8,     1\r\n");
  WriteSettings("[Zorvan32]\r\nDataPath=" + data + "\r\n");
  auto w = ShownWindow();
  ASSERT_TRUE(w->Clocks);
  TProgressStatus& status = *w->ProgressStatus;
  {
    TEngineHostScope scope(*w);
    IEngineHost* host = EngineHost();
    TParameterReport r;
    host->OperationStarting("P", r);
    EXPECT_EQ(status.Shown(), "Poll: 0 of 3 readers");  // at once
    for (int i = 1; i <= 5000; ++i) {
      r.Counts = {{"transactions (Poll)", i}};
      host->Progress("Poll", i, "transactions");
    }
    EXPECT_EQ(status.Shown(), "Poll: 0 of 3 readers");  // held back
    // The last report shows once the interval is over, when events run.
    host->SleepMs(int(TProgressStatus::kInterval.count()) + 50);
    EXPECT_EQ(status.Shown(), "Poll: 0 of 3 readers, 5,000 transactions");
    r.ReadersDone = 2;
    host->ReaderDone();
    // Site 8 not reached: its reader counts as done.
    Engine().CurrentSite = w->Sites->FindSite("8");
    r.NotReached.push_back("Site 8");
    host->ReaderDone();
    Engine().CurrentSite = nullptr;
    host->OperationEnded();
    // The operation's end shows where it ended.
    EXPECT_EQ(status.Shown(), "Poll: 3 of 3 readers, 5,000 transactions");
    TParameterReport one;
    host->OperationStarting("X00712", one);
    EXPECT_EQ(status.Shown(), "Test Communications: 0 of 1 reader");
    host->OperationEnded();
  }
  // The log lines are not touched by the progress.
  EXPECT_EQ(Text(*w).find("transactions"), std::string::npos);
}

}  // namespace
}  // namespace zv
