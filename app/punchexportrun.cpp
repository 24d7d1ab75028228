#include "app/punchexportrun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>

#include "app/inifile.h"
#include "app/settings.h"
#include "util/fileio.h"

namespace zv {

namespace {

// The output file is written beside itself and renamed over it once complete, so that a
// payroll import never reads half an export.
class TReplacement {
 public:
  bool Open(const std::string& path, std::string& error) {
    target_ = ResolveLinks(path);
    temp_ = target_ + ".XXXXXX";
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) return Failed(error, "cannot create a file beside " + path);
    mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st;
    ::fchmod(fd_, ::stat(target_.c_str(), &st) == 0 ? st.st_mode & 07777 : 0666 & ~mask);
    return true;
  }
  bool Write(const std::string& bytes) {
    return WriteFully(fd_, bytes.data(), bytes.size()) == bytes.size();
  }
  bool Commit(std::string& error) {
    bool ok = ::fsync(fd_) == 0;
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    if (!ok || ::rename(temp_.c_str(), target_.c_str()) != 0)
      return Failed(error, "cannot write " + target_);
    temp_.clear();
    SyncDirectoryOf(target_);
    return true;
  }
  ~TReplacement() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
  }

 private:
  bool Failed(std::string& error, const std::string& what) {
    error = what + ": " + std::strerror(errno);
    return false;
  }
  std::string target_, temp_;
  int fd_ = -1;
};

bool OpenLog(std::ifstream& in, const std::string& dir, const std::string& name, std::string& path,
             std::string& error) {
  // The operations write Punch.Log and Sys.Log; a copy put back by hand may differ in case.
  path = FindFileIgnoreCase(dir, name);
  in.open(path, std::ios::binary);
  if (in) return true;
  error = "cannot read " + path + ": " + std::strerror(errno);
  return false;
}

}  // namespace

bool RunPunchExport(const TPunchExportJob& job, TExportResult& result, std::string& error,
                    std::FILE* out) {
  std::ifstream punch, sys;
  std::string punchPath, sysPath;
  if (!OpenLog(punch, job.PunchPath, "Punch.Log", punchPath, error)) return false;
  if (job.Events && !OpenLog(sys, job.DataPath, "Sys.Log", sysPath, error)) return false;
  // The export replaces its file: named after one of the logs, it would put their lines out.
  struct stat target, log;
  if (!job.File.empty() && ::stat(job.File.c_str(), &target) == 0) {
    for (const std::string& p : {punchPath, FindFileIgnoreCase(job.DataPath, "Sys.Log")}) {
      if (!p.empty() && ::stat(p.c_str(), &log) == 0 && log.st_dev == target.st_dev &&
          log.st_ino == target.st_ino) {
        error = "will not write over " + p + ", which the export reads";
        return false;
      }
    }
  }
  TReplacement file;
  if (!job.File.empty() && !file.Open(job.File, error)) return false;
  auto write = [&](const std::string& piece) {
    if (!job.File.empty()) return file.Write(piece);
    return std::fwrite(piece.data(), 1, piece.size(), out) == piece.size();
  };
  result = ExportPunches(punch, punchPath, job.Events ? &sys : nullptr, sysPath, job.From, job.To,
                         write);
  if (punch.bad() || (job.Events && sys.bad())) {
    error = "cannot read " + (punch.bad() ? punchPath : sysPath);
    return false;
  }
  if (result.WriteFailed || (job.File.empty() && std::fflush(out) != 0)) {
    error = "cannot write " + (job.File.empty() ? std::string("standard output") : job.File) +
            ": " + std::strerror(errno);
    return false;
  }
  return job.File.empty() || file.Commit(error);
}

std::string PunchExportSummary(const TExportResult& r, const std::string& file) {
  auto count = [](std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  return count(r.Rows, "row", "rows") + " exported" + (file.empty() ? "" : " to " + file) + ", " +
         count(r.Damaged, "damaged line", "damaged lines") + " skipped";
}

bool IsPunchExportRequest(const std::vector<std::string>& params) {
  return !params.empty() && params[0] == "--export-punches";
}

int RunPunchExportCommand(const std::vector<std::string>& params, const std::string& settingsFile,
                          const std::string& defaultDataPath) {
  std::vector<std::string> words;
  TPunchExportJob job;
  for (std::size_t i = 1; i < params.size(); ++i) {
    if (params[i] == "--events")
      job.Events = true;
    else
      words.push_back(params[i]);
  }
  if (words.size() < 2 || words.size() > 3 || !ParseIsoDate(words[0], job.From) ||
      !ParseIsoDate(words[1], job.To) || job.From > job.To) {
    std::fprintf(stderr,
                 "zorvan32: usage: zorvan32 --export-punches [--events] FROM TO [FILE]\n"
                 "  FROM and TO are days as YYYY-MM-DD, FROM not after TO; without FILE (or with -)\n"
                 "  the CSV goes to standard output\n");
    return 2;
  }
  if (words.size() == 3 && words[2] != "-") job.File = words[2];
  TSettingsValues v = ReadSettings(TIniFile(settingsFile), defaultDataPath);
  job.PunchPath = v.PunchPath;
  job.DataPath = v.DataPath;
  TExportResult result;
  std::string error;
  bool ok = RunPunchExport(job, result, error);
  for (const std::string& m : result.Messages) std::fprintf(stderr, "zorvan32: %s\n", m.c_str());
  if (!ok) {
    std::fprintf(stderr, "zorvan32: %s\n", error.c_str());
    return 2;
  }
  std::fprintf(stderr, "zorvan32: %s\n", PunchExportSummary(result, job.File).c_str());
  return result.Damaged ? 1 : 0;
}

}  // namespace zv
