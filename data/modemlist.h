// The modem initialisation strings of modem.txt: the choices for a site's Init field.
#pragma once
#include <string>
#include <vector>

namespace zv {

// Every line of the file is one string, as written (no trimming, no comments, no header);
// a file that cannot be read gives the single string "AT&F".
std::vector<std::string> LoadModemList(const std::string& fileName);

// Where modem.txt is read from: the data directory's, where the editor saves it, when there
// is one; else the installed default in the program directory. Both directories end with "/".
std::string ModemFileName(const std::string& dataPath, const std::string& programPath);

}  // namespace zv
