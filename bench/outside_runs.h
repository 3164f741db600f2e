#pragma once
// Other programs run and timed from outside, as a user runs them: the
// numpy+Pillow script and the program itself, optionally pinned to CPUs.
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

// "" runs on every core; else taskset's CPU list ("0,1").
struct Cpus {
  std::string list;
};

// Runs the command to its end; its standard error goes to errFile when one
// is named. Wall seconds, or -1 when it failed.
double RunToEnd(const std::vector<std::string>& command, const Cpus& cpus, const std::string& errFile = "");

// Starts the program with the documents as arguments (offscreen), and times
// it until `pngs` PNG files have appeared in folder; then ends it with
// SIGTERM. Seconds, or -1 when they did not all appear within two minutes.
double TimeProgram(const std::string& program, const std::vector<std::string>& documents,
                   const std::filesystem::path& folder, size_t pngs, const Cpus& cpus);

// The PNG files of a folder: their bytes together, and their removal.
unsigned long long PngBytes(const std::filesystem::path& folder);
void RemovePngs(const std::filesystem::path& folder);

}  // namespace bench
