#pragma once
// Plug-in functions, found by their signature string.
#include <string>

namespace fw {

using PluginEntry = void (*)();

// Makes a function known under its full signature string.
void RegisterPluginFunction(const std::string& signature, PluginEntry entry);
// The function registered under that signature, or nullptr.
PluginEntry LookupPluginFunction(const std::string& signature);

template <class Fn>
void RegisterPlugin(const std::string& signature, Fn* fn) {
  RegisterPluginFunction(signature, reinterpret_cast<PluginEntry>(fn));
}

}  // namespace fw
