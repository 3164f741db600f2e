#pragma once
// A new file that appears under its name only once it is complete. It is
// written unnamed in its final folder (O_TMPFILE) and linked to its name at
// the end, so that not even a killed process leaves a part of it behind;
// where the file system has no unnamed files, it is written under a hidden
// temporary name and moved. Where a file can be neither moved without
// replacing nor linked (FAT through FUSE), the final name itself is created
// exclusively and removed again unless the file is completed. It never
// replaces a file that exists, and has the mode a new file gets (0666 less
// the umask) whichever way it was made.
#include <functional>
#include <string>

namespace pngu {

class NewFile {
 public:
  // Creates the file; Fd() is -1 when that failed (errno EEXIST when the
  // name is taken).
  explicit NewFile(std::string finalPath);
  ~NewFile();  // closes the file; removes it unless committed
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  int Fd() const { return fd_; }

  // Gives the complete file its final name; false, and nothing left behind
  // once destroyed, when the name is taken (errno EEXIST) or the file cannot
  // be linked or closed.
  bool Commit();

 private:
  void Drop();  // closes and removes the file, errno kept

  std::string finalPath_;
  std::string path_;  // the file's name now, removed unless committed; empty while unnamed
  int fd_ = -1;
};

// The calls that some file systems lack. Tests: the hook is asked before
// each; a non-zero answer is the errno the call then fails with, as where the
// file system lacks it (nullptr: none).
enum class FileCall { OpenUnnamed, SetMode, RenameNoReplace, Link };
void SetFileCallHook(std::function<int(FileCall)> hook);

}  // namespace pngu
