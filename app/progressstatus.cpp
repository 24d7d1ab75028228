#include "app/progressstatus.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include "app/latin1.h"

namespace zv {

namespace {

// "1,234": an administrator reads counts of tens of thousands at a glance.
std::string Grouped(long long n) {
  std::string digits = std::to_string(n < 0 ? -n : n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return n < 0 ? "-" + out : out;
}

// "1 transaction", "2 transactions": the unit without the operation the report adds to it.
std::string Counted(long long n, std::string unit) {
  const std::size_t paren = unit.find(" (");
  if (paren != std::string::npos) unit.erase(paren);
  if (n == 1 && !unit.empty() && unit.back() == 's') unit.pop_back();
  return Grouped(n) + " " + unit;
}

}  // namespace

TProgressStatus::TProgressStatus(QStatusBar* bar) : QObject(bar) {
  label_ = new QLabel(bar);
  label_->setObjectName("lblProgress");
  bar->addWidget(label_, 1);
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, [this] { ShowNow(); });
}

std::string TProgressStatus::Text(const std::string& operation, long long done,
                                  long long selected, const TCounts& counts, int linesBusy) {
  std::string text = operation + ": " + Grouped(done) + " of " + Grouped(selected) +
                     (selected == 1 ? " reader" : " readers");
  if (linesBusy >= 0) text += ", " + Counted(linesBusy, "lines") + " busy";
  for (const auto& [unit, n] : counts) text += ", " + Counted(n, unit);
  return text;
}

void TProgressStatus::Start(const std::string& operation, long long selected) {
  operation_ = operation;
  selected_ = selected;
  done_ = 0;
  linesBusy_ = -1;
  counts_.clear();
  pending_ = true;
  ShowNow();
}

void TProgressStatus::Report(long long done, const TCounts& counts, int linesBusy) {
  if (operation_.empty()) return;
  done_ = done;
  linesBusy_ = linesBusy;
  counts_ = counts;
  pending_ = true;
  TClock::time_point now = TClock::now();
  if (now - lastShown_ >= kInterval) {
    ShowNow();
  } else if (!timer_->isActive()) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(kInterval - (now - lastShown_));
    timer_->start(static_cast<int>(left.count()) + 1);
  }
}

void TProgressStatus::ShowNow() {
  timer_->stop();
  if (!pending_) return;
  pending_ = false;
  label_->setText(Latin1(Text(operation_, done_, selected_, counts_, linesBusy_)));
  lastShown_ = TClock::now();
}

void TProgressStatus::Clear() {
  timer_->stop();
  pending_ = false;
  operation_.clear();
  label_->clear();
  lastShown_ = {};
}

std::string TProgressStatus::Shown() const { return Latin1Bytes(label_->text()); }

}  // namespace zv
