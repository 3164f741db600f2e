#include "framework/file_types.h"

#include <algorithm>

#include "framework/recorder.h"

namespace fw {

namespace {
std::vector<RegisteredFileType> g_types;
}

FileType::~FileType() { Deregister(); }

void FileType::SetName(const std::string& v) {
  Deregister();
  name_ = v;
}
void FileType::SetMacCreator(const std::string& v) {
  Deregister();
  macCreator_ = v;
}
void FileType::SetMacType(const std::string& v) {
  Deregister();
  macType_ = v;
}
void FileType::SetExtensions(const std::string& v) {
  Deregister();
  extensions_ = v;
}

void FileType::Register() {
  if (registered_) return;
  RuntimeRegisterFileType(name_, macCreator_, macType_, extensions_);
  registered_ = true;
}

void FileType::Deregister() {
  if (!registered_) return;
  RuntimeDeregisterFileType(name_);
  registered_ = false;
}

std::string FileType::ToString() {
  Register();
  return name_;
}

void RuntimeRegisterFileType(const std::string& name, const std::string& creator, const std::string& type,
                             const std::string& extensions) {
  Record("RegisterFileType ", name);
  g_types.push_back({name, creator, type, extensions});
}

void RuntimeDeregisterFileType(const std::string& name) {
  Record("DeregisterFileType ", name);
  auto it = std::find_if(g_types.begin(), g_types.end(), [&](const RegisteredFileType& t) { return t.name == name; });
  if (it != g_types.end()) g_types.erase(it);
}

std::vector<RegisteredFileType> RegisteredFileTypes() { return g_types; }

}  // namespace fw
