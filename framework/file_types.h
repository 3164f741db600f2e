#pragma once
// Document types, registered with the runtime by name.
#include <string>
#include <vector>

namespace fw {

class FileType {
 public:
  FileType() = default;
  ~FileType();  // deregisters
  FileType(const FileType&) = delete;
  FileType& operator=(const FileType&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& MacCreator() const { return macCreator_; }
  const std::string& MacType() const { return macType_; }
  const std::string& Extensions() const { return extensions_; }
  // Each setter withdraws a registered type first.
  void SetName(const std::string& v);
  void SetMacCreator(const std::string& v);
  void SetMacType(const std::string& v);
  void SetExtensions(const std::string& v);

  void Register();
  void Deregister();
  bool Registered() const { return registered_; }
  // The conversion to String: registers the type, then gives its name.
  std::string ToString();

 private:
  std::string name_, macCreator_, macType_, extensions_;
  bool registered_ = false;
};

struct RegisteredFileType {
  std::string name, creator, type, extensions;
};

void RuntimeRegisterFileType(const std::string& name, const std::string& creator, const std::string& type,
                             const std::string& extensions);
void RuntimeDeregisterFileType(const std::string& name);
std::vector<RegisteredFileType> RegisteredFileTypes();

}  // namespace fw
