#include "app/progressstatus.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include "app/latin1.h"

namespace zv {

TProgressStatus::TProgressStatus(QStatusBar* bar) : QObject(bar) {
  label_ = new QLabel(bar);
  label_->setObjectName("lblProgress");
  bar->addWidget(label_, 1);
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, [this] { ShowNow(); });
}

std::string TProgressStatus::Text(const std::string& operation, const std::string& site,
                                  const std::string& clock, long long count,
                                  const std::string& unit) {
  // Worded as the log's lines about a site or a clock.
  std::string where;
  if (!site.empty() || !clock.empty()) {
    where = "Site " + site;
    if (!clock.empty()) where += ", Clock " + clock;
    where += ": ";
  }
  return operation + ": " + where + std::to_string(count) + " " + unit;
}

void TProgressStatus::Report(const char* operation, const std::string& site,
                             const std::string& clock, long long count, const char* unit) {
  operation_ = operation ? operation : "";
  site_ = site;
  clock_ = clock;
  count_ = count;
  unit_ = unit ? unit : "";
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
  label_->setText(Latin1(Text(operation_, site_, clock_, count_, unit_)));
  lastShown_ = TClock::now();
}

void TProgressStatus::Clear() {
  timer_->stop();
  pending_ = false;
  label_->clear();
  lastShown_ = {};
}

std::string TProgressStatus::Shown() const { return Latin1Bytes(label_->text()); }

}  // namespace zv
