// TProgressStatus: the status bar line of a running reader operation — the operation, the
// site and clock it is at, and how much it has done ("Poll: Site 1, Clock 2: 1234
// transactions"). The engine reports after every element; the line changes at most a few
// times a second, and the last report is shown when the operation ends.
#pragma once
#include <QObject>
#include <chrono>
#include <string>

class QLabel;
class QStatusBar;
class QTimer;

namespace zv {

class TProgressStatus : public QObject {
  Q_OBJECT
 public:
  using TClock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kInterval{250};

  // Puts its label into the bar.
  explicit TProgressStatus(QStatusBar* bar);

  // The text of one report; site and clock may be empty.
  static std::string Text(const std::string& operation, const std::string& site,
                          const std::string& clock, long long count, const std::string& unit);

  // A report of the engine: shown at once when the line last changed an interval ago or more,
  // else kept and shown when the interval is over.
  void Report(const char* operation, const std::string& site, const std::string& clock,
              long long count, const char* unit);
  // Shows the last report now (the end of an operation).
  void ShowNow();
  // An empty line, for the start of an operation.
  void Clear();
  // The line as shown.
  std::string Shown() const;

  QLabel* Label() const { return label_; }

 private:
  QLabel* label_;
  QTimer* timer_;
  bool pending_ = false;
  std::string operation_, site_, clock_, unit_;
  long long count_ = 0;
  TClock::time_point lastShown_{};
};

}  // namespace zv
