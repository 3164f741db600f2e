#pragma once
// A new file that appears under its name only once it is complete. It is
// written unnamed in its final folder (O_TMPFILE) and linked to its name at
// the end, so that not even a killed process leaves a part of it behind;
// where the file system has no unnamed files, it is written under a hidden
// temporary name and moved. It never replaces a file that exists.
#include <string>

namespace pngu {

class NewFile {
 public:
  // Creates the file, with the mode a new file gets (0666 less the umask).
  // Fd() is -1 when that failed. unnamed = false takes the hidden-name way
  // even where unnamed files work (for tests of it).
  explicit NewFile(std::string finalPath, bool unnamed = true);
  ~NewFile();  // closes the file; removes it unless committed
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  int Fd() const { return fd_; }

  // Gives the complete file its final name; false, and nothing left behind,
  // when the name is taken (errno EEXIST) or the file cannot be linked.
  bool Commit();

 private:
  std::string finalPath_;
  std::string tempPath_;  // the hidden name; empty for an unnamed file
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace pngu
