#include "data/readerconfig.h"

namespace zv {

std::string TReaderConfig::Password(int n) const {
  return n >= 1 && n <= kPasswords ? passwords_[n - 1] : std::string();
}

void TReaderConfig::SetPassword(int n, const std::string& s) {
  if (n >= 1 && n <= kPasswords) passwords_[n - 1] = s;
}

void TReaderConfig::SetDlsStart(const std::string& month, const std::string& day,
                                const std::string& hour, const std::string& minute) {
  dlsStart_ = JoinColonFields(month, day, hour, minute);
}

void TReaderConfig::SetDlsEnd(const std::string& month, const std::string& day,
                              const std::string& hour, const std::string& minute) {
  dlsEnd_ = JoinColonFields(month, day, hour, minute);
}

std::string TReaderConfig::DlsValue() const {
  if (GetDlsStart().a.empty()) return std::string();
  return dlsStart_ + " " + dlsEnd_;
}

void TReaderConfig::CopyFrom(const TReaderConfig& other) {
  // All seventeen texts; the record has no other state.
  *this = other;
}

}  // namespace zv
