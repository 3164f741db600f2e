#include "framework/plugins.h"

#include <map>

namespace fw {

namespace {
std::map<std::string, PluginEntry>& Registry() {
  static std::map<std::string, PluginEntry> registry;
  return registry;
}
}  // namespace

void RegisterPluginFunction(const std::string& signature, PluginEntry entry) { Registry()[signature] = entry; }

PluginEntry LookupPluginFunction(const std::string& signature) {
  auto it = Registry().find(signature);
  return it == Registry().end() ? nullptr : it->second;
}

}  // namespace fw
