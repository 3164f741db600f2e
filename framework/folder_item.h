#pragma once
// A reference to a file or folder by path. References are shared; nil is an
// empty std::shared_ptr.
#include <cstdint>
#include <memory>
#include <string>

namespace fw {

class BinaryStream;
class ReadOnlyFile;

class FolderItem {
 public:
  explicit FolderItem(std::string path);
  static std::shared_ptr<FolderItem> FromPath(const std::string& path);

  const std::string& Path() const { return path_; }
  // The file's name with its extension (the last path component).
  std::string DisplayName() const;
  // Length in bytes of a regular file; 0 when it is absent or not a file.
  int64_t Length() const;
  // Whether the name is taken (by a file, a folder or a link, dangling or not).
  bool Exists() const;
  bool IsFolder() const;
  // The folder that holds this item; nil for the root.
  std::shared_ptr<FolderItem> Parent() const;
  // The item of that name inside this folder, existing or not; nil when this
  // is not a folder that can be reached, or the name is not a plain file name.
  std::shared_ptr<FolderItem> Child(const std::string& name) const;

  // Four-character Mac codes, kept as extended attributes where the file
  // system takes them ("" when absent or unsupported).
  std::string MacType() const;
  std::string MacCreator() const;
  void SetMacType(const std::string& code);
  void SetMacCreator(const std::string& code);

  // The file opened once for all its reading (header and samples); nil when
  // it cannot be opened (absent, no permission, a folder).
  std::unique_ptr<ReadOnlyFile> OpenForReading() const;
  // Creates the file, or truncates an existing one; nil when it cannot.
  std::shared_ptr<BinaryStream> CreateBinaryFile(const std::string& fileType) const;
  // Removes the file (never a folder); false when it cannot.
  bool Delete() const;

 private:
  std::string path_;
};

using FolderItemRef = std::shared_ptr<FolderItem>;

}  // namespace fw
