// Text helpers whose exact behaviour the file formats and reports rely on.
// Texts are byte strings; inputs longer than 255 characters are cut first.
#pragma once
#include <string>

namespace zv {

// Texts handled by the text functions are at most this long.
constexpr std::size_t kMaxText = 255;

std::string TrimBlanks(const std::string& s);
std::string PadRight(const std::string& s, int width);
std::string PadLeft(const std::string& s, int width, char fill = ' ');
std::string Centre(const std::string& s, int width);
// The n-th (from 1) maximal run of characters containing none of `separators`.
std::string WordAt(int n, const std::string& s, const std::string& separators);
// ASCII lower-casing (A to Z only).
std::string LowerAscii(const std::string& s);
bool EqualsIgnoreCaseAscii(const std::string& a, const std::string& b);
// Strict decimal integer (optional sign, digits only); false when it is not one or overflows.
bool ParseInt(const std::string& s, long long& out);
// Decimal integer or `def` when the text is not one.
long long StrToIntDef(const std::string& s, long long def);

}  // namespace zv
