// TReaderConfig: the settings of one reader that the configuration download sends to it,
// keyed by site and clock. Every field is text; an empty one means "not set".
#pragma once
#include <array>
#include <string>

#include "data/mystringlist.h"
#include "util/numbers.h"

namespace zv {

class TReaderConfig : public TRecord {
 public:
  static constexpr int kPasswords = 5;

  const std::string& Site() const { return site_; }
  void SetSite(const std::string& s) { site_ = s; }
  const std::string& Clock() const { return clock_; }
  void SetClock(const std::string& s) { clock_ = s; }

  // n is 1 (Service) to 5 (Security); any other n reads empty and writes nothing.
  std::string Password(int n) const;
  void SetPassword(int n, const std::string& s);

  const std::string& RejectThreshold() const { return reject_; }
  void SetRejectThreshold(const std::string& s) { reject_ = s; }
  const std::string& LockControl() const { return lock_; }
  void SetLockControl(const std::string& s) { lock_ = s; }
  const std::string& Beeper() const { return beeper_; }
  void SetBeeper(const std::string& s) { beeper_ = s; }
  const std::string& IdLength() const { return idLength_; }
  void SetIdLength(const std::string& s) { idLength_ = s; }
  const std::string& PunchMode() const { return punchMode_; }
  void SetPunchMode(const std::string& s) { punchMode_ = s; }
  const std::string& AccessTries() const { return tries_; }
  void SetAccessTries(const std::string& s) { tries_ = s; }
  const std::string& BellSchedule() const { return bellSchedule_; }
  void SetBellSchedule(const std::string& s) { bellSchedule_ = s; }
  const std::string& HourDisplay() const { return hourDisplay_; }
  void SetHourDisplay(const std::string& s) { hourDisplay_ = s; }

  // Daylight-saving dates as stored: "month:day:hour:minute", or empty when unset.
  const std::string& DlsStart() const { return dlsStart_; }
  const std::string& DlsEnd() const { return dlsEnd_; }
  // Joined by JoinColonFields: empty whenever the month is empty.
  void SetDlsStart(const std::string& month, const std::string& day, const std::string& hour,
                   const std::string& minute);
  void SetDlsEnd(const std::string& month, const std::string& day, const std::string& hour,
                 const std::string& minute);
  // Split by SplitColonFields, each part normalized.
  TColonFields GetDlsStart() const { return SplitColonFields(dlsStart_); }
  TColonFields GetDlsEnd() const { return SplitColonFields(dlsEnd_); }
  // The value of the "#dls" line: start + " " + end, or empty when the start has no month.
  std::string DlsValue() const;

  void CopyFrom(const TReaderConfig& other);

 private:
  std::string site_, clock_;
  std::array<std::string, kPasswords> passwords_;
  std::string reject_, lock_, beeper_, idLength_, punchMode_, tries_, bellSchedule_;
  std::string dlsStart_, dlsEnd_, hourDisplay_;
};

}  // namespace zv
