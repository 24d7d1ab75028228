// Number and time-of-day texts of the data files and dialogs, and the four-field colon texts.
#pragma once
#include <string>

namespace zv {

// Blanks trimmed, leading zeros removed; "" stays "", "000" gives "0". No number check.
std::string NormalizeNumber(const std::string& s);
bool InRange(long long value, long long low, long long high);
// A time text: "h:m", or a bare number read as hours (0-23), minutes (24-99) or hhmm (100-2358).
bool IsValidTime(const std::string& s);
// Minutes since midnight of a valid time text; 0 for an invalid one.
int TimeToMinutes(const std::string& s);
// "%0.2d:%0.2d" of minutes / 60 and minutes % 60.
std::string MinutesToTime(int minutes);

std::string JoinColonFields(const std::string& a, const std::string& b, const std::string& c,
                            const std::string& d);
struct TColonFields {
  std::string a, b, c, d;
};
TColonFields SplitColonFields(const std::string& s);

}  // namespace zv
