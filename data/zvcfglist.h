// TZvCfgList: the sectioned configuration file zv.cfg with its reader configurations, time
// zones, holiday table and bell schedules. Reading is tolerant of hand edits; saving
// regenerates the whole file in a fixed order.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/bell.h"
#include "data/holiday.h"
#include "data/mystringlist.h"
#include "data/readerconfig.h"
#include "data/timezone.h"

namespace zv {

class TZvCfgList : public TMyStringList {
 public:
  // Loads the file, creating it with its header line when missing. Raises EZvFileError
  // when it can neither be read nor created.
  explicit TZvCfgList(std::string fileName);
  ~TZvCfgList() override;

  void HandleEFOpenError() override;
  // Frees the bells of every schedule, then every record.
  void ClearObjects() override;
  // Not used by this list: its sections span several lines.
  std::unique_ptr<TRecord> ObjFromStr(const std::string& text) override;
  std::string StrFromObj(const TRecord& obj) override;
  void ObjsFromStrs() override;
  void StrsFromObjs() override;
  // Sections span several lines: a list read short keeps nothing aside line by line.
  bool OneLinePerRecord() const override { return false; }

  // Lookups give the first match in list order. A reader configuration is found by its site
  // and clock as numbers ("007" is site 7, "02" clock 2: clock.txt keeps what was typed);
  // time zones and bell schedules by their number text exactly.
  TReaderConfig* FindReaderConfig(const std::string& site, const std::string& clock) const;
  TTimeZone* FindTimeZone(const std::string& number) const;
  TBellSchedule* FindBellSchedule(const std::string& number) const;

  // With a record of the same key, copies the given one into it (the given one is freed);
  // otherwise the list takes the given one. Answers the record in the list. Sets Modified.
  TReaderConfig* SaveReaderConfig(std::unique_ptr<TReaderConfig> config);
  TTimeZone* SaveTimeZone(std::unique_ptr<TTimeZone> zone);
  // Removes and frees the record when it is in the list. Sets Modified.
  void DeleteReaderConfig(const TReaderConfig* config);
  void DeleteTimeZone(const TTimeZone* zone);
  void DeleteBellSchedule(const TBellSchedule* schedule);

  // The one holiday table: the first of the list, appended empty when there is none.
  THoliday* GetHolidays();

  // The records of each kind, in list order.
  std::vector<TReaderConfig*> ReaderConfigs() const;
  std::vector<TTimeZone*> TimeZones() const;
  std::vector<TBellSchedule*> BellSchedules() const;
  std::vector<THoliday*> Holidays() const;

  // One line of the file as the section readers see it.
  struct TCfgLine {
    std::string text;    // cut to 255 characters and trimmed
    std::string spaced;  // text upper-cased, tabs turned into spaces
    std::string first;   // field 1 of text (separator " "), upper-cased
    std::uint16_t tags = 0;  // which reader-section tags `spaced` contains
    bool hasTz = false;      // `spaced` contains "#TZ"
    int opens = 0;           // the section this line opens, kOpens...
  };
  enum { kOpensNothing, kOpensReader, kOpensTimeZone, kOpensBell, kOpensHoliday };

 private:
  void ReadReaderSections(const std::vector<TCfgLine>& lines);
  std::unique_ptr<TTimeZone> ReadTimeZoneSection(const std::vector<TCfgLine>& lines, int from);
  std::unique_ptr<TBellSchedule> ReadBellSection(const std::vector<TCfgLine>& lines, int from);
  std::unique_ptr<THoliday> ReadHolidaySection(const std::vector<TCfgLine>& lines, int from);

  // The records by kind, rebuilt when the lines have changed since.
  struct TKinds {
    std::uint64_t generation = ~std::uint64_t{0};
    std::vector<TReaderConfig*> readers;
    std::vector<TTimeZone*> zones;
    std::vector<TBellSchedule*> bells;
    std::vector<THoliday*> holidays;
  };
  const TKinds& Kinds() const;
  // Finds the record on a line or kept aside; removes and frees it. False when not owned.
  bool Owns(const TRecord* rec) const;
  bool Remove(const TRecord* rec);

  mutable TKinds kinds_;
  // Records with no form in the file (a time zone without any start): kept, findable and
  // freed like the others, but on no line, so that they add nothing to the file.
  std::vector<std::unique_ptr<TRecord>> detached_;
};

}  // namespace zv
