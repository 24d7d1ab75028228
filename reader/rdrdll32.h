// TRdrDll32: the one class that knows the reader library. It loads librdrdll32.so, binds
// its 46 entry points, keeps the open channel's handle and adds each call's retry rule.
#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <stdexcept>
#include <string>

namespace zv {

// Raised when the library cannot be loaded, bound or unloaded; carries the failure text.
class ERdrDll32Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Sizes of the buffers the library fills or reads.
constexpr std::size_t kHandReaderInfoSize = 96;
constexpr std::size_t kReaderInfoSize = 104;
constexpr std::size_t kDataLogElementSize = 28;
constexpr std::size_t kIdSize = 5;
constexpr std::size_t kIdTextSize = 20;
constexpr std::size_t kUserRecordSize = 24;
constexpr std::size_t kExtUserRecordSize = 92;
constexpr std::size_t kSetupDataSize = 144;
constexpr std::size_t kTimeZoneTableSize = 2208;
constexpr std::size_t kBellTableSize = 400;
constexpr std::size_t kTimeRecordSize = 6;
constexpr std::size_t kDisplayMessageSize = 44;
constexpr std::size_t kFkeyDataSize = 4096;
constexpr std::size_t kDataBankSize = 4096;
constexpr int kEntryPointCount = 46;

// The entry point names in binding order.
extern const char* const kRdrEntryPointNames[kEntryPointCount];

// The 6-byte time record of a local date and time.
void EncodeTimeRecord(const std::tm& t, std::uint8_t out[kTimeRecordSize]);

class TRdrDll32 {
 public:
  // The file name handed to the dynamic loader; tests point it at a library of their own.
  static std::string LibraryName;

  // Loads and binds the library; raises ERdrDll32Error with the load or initialization text.
  TRdrDll32();
  // Unloads quietly; call Unload() first to learn about a failure.
  ~TRdrDll32();
  TRdrDll32(const TRdrDll32&) = delete;
  TRdrDll32& operator=(const TRdrDll32&) = delete;

  // Unloads the library; raises ERdrDll32Error "...free rdr32.dll failed..." when it cannot.
  void Unload();

  bool Loaded() const { return lib_ != nullptr; }
  std::int32_t Channel() const { return channel_; }
  bool NetworkStarted() const { return networkStarted_; }
  bool NetworkSessionOpen() const { return sessionOpen_; }

  bool StartupWsock();
  bool InitWsock(const std::string& address, const std::string& port);
  bool CloseWsock();
  bool CleanupWsock();
  bool InstallChannel(int portIndex);
  bool CloseChannel();
  bool OpenDirectChannel(int baud);
  bool OpenModemChannel(int baud, const std::string& phone, int mode);
  bool SetModemInitString(const std::string& text);
  bool SetHandReader(int address, std::uint8_t info[kHandReaderInfoSize]);
  bool GetReaderInfo(std::uint8_t buffer[kReaderInfoSize]);
  bool GetDataLogElement(std::uint8_t buffer[kDataLogElementSize]);
  bool IDToText(const std::uint8_t id[kIdSize], std::string& text);
  bool TextToID(const std::string& text, std::uint8_t id[kIdSize]);
  bool GetUserRecord(const std::uint8_t id[kIdSize], std::uint8_t record[kUserRecordSize]);
  // True when the last GetUserRecord failed because no answer came (a dead or noisy line),
  // not because the reader refused or lacks the user.
  bool UserRecordUnanswered() const { return userUnanswered_; }
  bool HereIsUserRecord(const std::uint8_t record[kUserRecordSize]);
  bool ClearUserDataBase();
  bool GetSetupData(std::uint8_t buffer[kSetupDataSize]);
  bool HereIsSetupData(const std::uint8_t buffer[kSetupDataSize]);
  bool SetTimeZoneTable(const std::uint8_t table[kTimeZoneTableSize]);
  bool SetBellSchedule(const std::uint8_t table[kBellTableSize]);
  bool HereIsTime(const std::tm& localTime);
  bool HereIsDisplayMessage(std::int32_t kind, std::uint8_t value, const std::string& text,
                            const std::string& idText);
  bool HereIsFkeyData(const std::uint8_t data[kFkeyDataSize]);
  bool HereIsBankNumber(int bank);
  bool HereIsDataBank(const std::uint8_t bank[kDataBankSize]);
  bool GetDataBank(int bank, std::uint8_t bank_data[kDataBankSize]);
  bool EnterIdleMode();
  bool Resume();
  bool UserRecordToData(const std::uint8_t record[kUserRecordSize], std::uint8_t* destination);
  bool DataToUserRecord(const std::uint8_t* source, std::uint8_t record[kUserRecordSize]);
  bool ExtUserRecordToData(const std::uint8_t* record, std::uint8_t* destination);
  bool DataToExtUserRecord(const std::uint8_t* source, std::uint8_t* record);

 private:
  void* Entry(int index) const { return entries_[index]; }
  void ClearEntries();

  void* lib_ = nullptr;
  std::int32_t channel_ = 0;
  bool userUnanswered_ = false;
  bool networkStarted_ = false;
  bool sessionOpen_ = false;
  void* entries_[kEntryPointCount] = {};
};

}  // namespace zv
