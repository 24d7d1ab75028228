// TProgressStatus: the status bar line of a running reader operation, following the whole
// operation: the readers done of the readers it selected, and the running total of what it
// counted ("Poll: 3 of 7 readers, 1,234 transactions"); while several lines are worked at
// once, how many are busy as well ("Poll: 3 of 7 readers, 4 lines busy, 1,234 transactions"). The engine reports after every
// element; the line changes at most a few times a second, and the last report is shown when
// the operation ends.
#pragma once
#include <QObject>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

class QLabel;
class QStatusBar;
class QTimer;

namespace zv {

class TProgressStatus : public QObject {
  Q_OBJECT
 public:
  using TClock = std::chrono::steady_clock;
  using TCounts = std::vector<std::pair<std::string, long long>>;
  static constexpr std::chrono::milliseconds kInterval{250};

  // Puts its label into the bar.
  explicit TProgressStatus(QStatusBar* bar);

  // The text of one report. `counts` are running totals by unit, a plural word that may be
  // followed by " (operation)" as the run's report keeps them: "transactions (Poll)".
  static std::string Text(const std::string& operation, long long done, long long selected,
                          const TCounts& counts, int linesBusy = -1);

  // An operation starts: its name and the readers it selected, shown at once.
  void Start(const std::string& operation, long long selected);
  // How far it is: shown at once when the line last changed an interval ago or more, else
  // kept and shown when the interval is over.
  // `linesBusy` -1: lines are not worked at once.
  void Report(long long done, const TCounts& counts, int linesBusy = -1);
  // Shows the last report now (the end of an operation).
  void ShowNow();
  // An empty line, for the start of a run.
  void Clear();
  // The line as shown.
  std::string Shown() const;

  QLabel* Label() const { return label_; }

 private:
  QLabel* label_;
  QTimer* timer_;
  bool pending_ = false;
  std::string operation_;
  long long done_ = 0, selected_ = 0;
  int linesBusy_ = -1;
  TCounts counts_;
  TClock::time_point lastShown_{};
};

}  // namespace zv
