// Punches for payroll: the lines of Punch.Log (and optionally the events of Sys.Log) of a date
// range as CSV (RFC 4180) with ISO 8601 dates and four-digit years. A damaged line is reported
// by its line number and skipped, never guessed at.
#pragma once
#include <cstddef>
#include <functional>
#include <istream>
#include <string>
#include <vector>

namespace zv {

// The logs hold two-digit years: 69 to 99 are 1969 to 1999, 00 to 68 are 2000 to 2068 (the
// POSIX rule for a two-digit year).
int FourDigitYear(int twoDigitYear);
// "YYYY-MM-DD" of a real calendar day as yyyymmdd; false for anything else.
bool ParseIsoDate(const std::string& text, int& yyyymmdd);

// One transaction as the CSV has it. Texts are trimmed; site and clock lose leading zeros.
struct TPunchRow {
  int Date = 0;  // yyyymmdd
  int Hour = 0, Minute = 0;
  std::string Site, Clock, User, Code, Data, Value;
  int Type = 7;  // 7 a punch, 15 a type 15 group, else the event's type
};

// One line of Punch.Log (a punch or a type 15 group) or of Sys.Log (an event); false with the
// reason when it is not such a line.
bool ParsePunchLine(const std::string& line, TPunchRow& row, std::string& why);
bool ParseEventLine(const std::string& line, TPunchRow& row, std::string& why);

// The CSV's first line, and one row (both ending in CR LF).
std::string CsvHeader();
std::string CsvRow(const TPunchRow& row);

struct TExportResult {
  std::size_t Rows = 0;                // rows written (the header not counted)
  std::size_t Damaged = 0;             // lines skipped as damaged
  std::vector<std::string> Messages;   // "Punch.Log line 12: ..." for the first of them
  bool WriteFailed = false;
};

// Writes the header and the rows of the lines dated `from` to `to` (yyyymmdd, both included),
// the punch log's first and then, when given, the system log's, each in its file's order.
// `write` takes the CSV in pieces and answers false when it cannot write (the export stops).
// Blank lines are passed over; every other line that does not parse counts as damaged.
TExportResult ExportPunches(std::istream& punchLog, const std::string& punchLogName,
                            std::istream* sysLog, const std::string& sysLogName, int from, int to,
                            const std::function<bool(const std::string&)>& write);

}  // namespace zv
