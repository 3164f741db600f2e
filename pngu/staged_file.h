#pragma once
// A new file written under a hidden temporary name in its final folder and
// moved to its final name only once it is complete. It never replaces a file
// that exists, and whatever way it ends, no temporary file is left behind.
#include <cstdio>
#include <string>

namespace pngu {

class StagedFile {
 public:
  // Creates ".<name>.XXXXXX" beside finalPath, with the mode a new file gets
  // (0666 less the umask). Stream() is nullptr when that failed.
  explicit StagedFile(std::string finalPath);
  ~StagedFile();  // closes and removes the temporary file unless committed
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  FILE* Stream() const { return stream_; }
  const std::string& TempPath() const { return tempPath_; }

  // Closes the stream (checking every buffered write) and moves the file to
  // its final name; false when a write failed or the name is taken.
  bool Commit();

 private:
  std::string finalPath_;
  std::string tempPath_;
  FILE* stream_ = nullptr;
  bool committed_ = false;
};

// Moves from to a free name `to` in the same file system; false (errno set,
// EEXIST when taken) without touching an existing `to`. Both keep `from` on
// failure.
bool MoveNoReplace(const std::string& from, const std::string& to);
// The same by a hard link and an unlink, for file systems that lack an atomic
// no-replace rename.
bool LinkNoReplace(const std::string& from, const std::string& to);

// The permission bits that a newly created file gets: 0666 less the umask.
unsigned NewFileMode();

}  // namespace pngu
