// TSite: one site of site.txt, a place whose readers are reached over one connection
// (direct serial line, modem or network).
#pragma once
#include <string>

#include "data/recordindex.h"

namespace zv {

class TSite : public TKeyedRecord {
 public:
  TSite() = default;
  TSite(const TSite& other) : TKeyedRecord() { CopyFrom(other); }
  TSite& operator=(const TSite& other) {
    CopyFrom(other);
    return *this;
  }

  const std::string& Site() const { return site_; }
  void SetSite(const std::string& v) { SetKey(site_, v); }
  const std::string& Port() const { return port_; }
  void SetPort(const std::string& v) { port_ = v; }
  const std::string& Baud() const { return baud_; }
  void SetBaud(const std::string& v) { baud_ = v; }
  const std::string& Init() const { return init_; }
  void SetInit(const std::string& v) { init_ = v; }
  // Dial and Phone hold "," as "*" (the file's separator cannot appear in a field):
  // the setters store "*" for ",", the getters give "," for "*".
  std::string Dial() const;
  void SetDial(const std::string& v);
  std::string Phone() const;
  void SetPhone(const std::string& v);
  const std::string& Tza() const { return tza_; }
  void SetTza(const std::string& v) { tza_ = v; }
  const std::string& IpAddress() const { return ip_; }
  void SetIpAddress(const std::string& v) { ip_ = v; }
  const std::string& Description() const { return description_; }
  void SetDescription(const std::string& v) { description_ = v; }

  // Dial and Phone as stored (and written to the file), with "*" for ",".
  const std::string& StoredDial() const { return dial_; }
  void SetStoredDial(const std::string& v) { dial_ = v; }
  const std::string& StoredPhone() const { return phone_; }
  void SetStoredPhone(const std::string& v) { phone_ = v; }

  // Copies all nine stored fields.
  void CopyFrom(const TSite& other);
  // Four dot-separated numbers 0 to 255 (an empty part between dots vanishes, parts after
  // the fourth are not looked at).
  bool IsValidIp() const;
  // 3 network, 1 modem, 0 direct serial line.
  int ConnectionType() const;
  // An address that is not one moves into an empty description (old files had no address
  // column, so their eighth field is the description).
  void NormalizeIp();

 private:
  std::string site_, port_, baud_, init_, dial_, phone_, tza_, ip_, description_;
};

}  // namespace zv
