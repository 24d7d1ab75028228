// The users a poll saw but has not kept yet: "users.pending" in the data directory, one line
// "site,clock,id," for each id a clock's poll noted, written with the element that brought it
// and durable before the next element is asked for. The reader lets a punch go once the next
// one is asked for, and that punch may have been the only trace of a new user: after a kill,
// the next poll of that clock starts from these ids and stores their users. A clock's lines go
// once its users are kept in user.txt and user.dat.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "data/mystringlist.h"

namespace zv {

class TPendingUsers {
 public:
  // Opens the file (created when missing) and reads its lines; raises EZvFileError as
  // TMyFileStream does.
  explicit TPendingUsers(std::string path);

  // The ids that earlier polls of this clock left, in the order they were noted.
  std::vector<std::string> IdsOf(const std::string& site, const std::string& clock) const;
  // The file's line for an id seen at a clock; written by the caller with its element.
  static std::string Line(const std::string& site, const std::string& clock, const std::string& id);
  TMyFileStream* Stream() const { return stream_.get(); }
  // Takes note that the caller wrote the id's line.
  void Noted(const std::string& site, const std::string& clock, const std::string& id);
  // Drops the lines of this clock, its users kept, but for the ids in `keep`; false when the
  // file could not be rewritten (the lines stay, and their users are stored once more by a
  // later poll).
  bool Forget(const std::string& site, const std::string& clock,
              const std::vector<std::string>& keep);
  const std::string& Path() const { return path_; }

 private:
  struct TEntry {
    std::string site, clock, id;
  };
  std::string path_;
  std::unique_ptr<TMyFileStream> stream_;
  std::vector<TEntry> entries_;
};

}  // namespace zv
