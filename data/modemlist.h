// The modem initialisation strings of modem.txt: the choices for a site's Init field.
#pragma once
#include <string>
#include <vector>

namespace zv {

// Every line of the file is one string, as written (no trimming, no comments, no header);
// a file that cannot be read gives the single string "AT&F".
std::vector<std::string> LoadModemList(const std::string& fileName);

}  // namespace zv
