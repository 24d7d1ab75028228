// TLogWindow: the log lines of the main window's text area. A reader operation writes lines
// in bursts (one per punch, one per user); painting after each would cost a millisecond a
// line. So while an operation runs, lines are gathered and go into the text area together,
// at most a few dozen times a second, each time followed by the pending events (a repaint,
// the user's clicks). Whenever events may run (here, in a wait of the library, in a pause)
// the gathered lines are in the text area first, so no one ever sees it behind.
#pragma once
#include <QString>
#include <chrono>
#include <string>

class QPlainTextEdit;

namespace zv {

class TLogWindow {
 public:
  using TClock = std::chrono::steady_clock;
  // How often a burst of lines reaches the screen.
  static constexpr std::chrono::milliseconds kInterval{50};
  // Lines gathered at most before they go in anyway, so that one append stays short.
  static constexpr int kMaxGathered = 1000;

  explicit TLogWindow(QPlainTextEdit* lb);

  // Gathering on (an operation runs) or off (every line goes in at once). Turning it off
  // puts the gathered lines in.
  void SetGathering(bool on);
  bool Gathering() const { return gathering_; }

  // Appends a line (in bytes, Latin-1), marks the text modified and lets events run: at
  // once when not gathering, else when the interval has passed since they last ran.
  void AddLine(const std::string& text);
  // Puts the gathered lines into the text area (in one edit).
  void Flush();
  // Lets pending events run when the interval has passed (always when `force`), after
  // putting the gathered lines in.
  void LetEventsRun(bool force);

 private:
  QPlainTextEdit* lb_;
  QString pending_;
  int pendingLines_ = 0;
  bool gathering_ = false;
  // The text area ends with a line written here (perhaps an empty one), not with the empty
  // line after a loaded file's last line end, which the next line would take.
  bool endsWithLogLine_ = false;
  bool flushing_ = false;
  TClock::time_point lastEvents_{};
};

}  // namespace zv
