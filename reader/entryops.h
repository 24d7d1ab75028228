// The entry operations of the reader operations other than polling and the communications
// test, with the extra files that polling and the user database transfers keep open.
#pragma once
#include <string>
#include <vector>

namespace zv {

class TSite;

bool ConfigureSites(const std::vector<TSite*>& sites, const std::string& clock);
bool SetTimeSites(const std::vector<TSite*>& sites, const std::string& clock);
bool RestoreUsersSites(const std::vector<TSite*>& sites, const std::string& clock);
bool RestoreFullSites(const std::vector<TSite*>& sites, const std::string& clock);
bool GetUsersSites(const std::vector<TSite*>& sites, const std::string& clock);
bool GetFullSites(const std::vector<TSite*>& sites, const std::string& clock);

// Opens the punch log, the day's log and trans.dat (polling only); raises EZvFileError.
void OpenPollFiles();
// Opens user.dat and loads user.idx. False after the failure line when user.idx cannot be
// created ("create" or "open" in the text, as the operation words it) or read; user.dat
// that cannot be created raises EZvFileError.
bool OpenUserFiles(const char* createVerb);

// "yyyymmdd" + ".log" of the current local date.
std::string DailyLogName();

}  // namespace zv
