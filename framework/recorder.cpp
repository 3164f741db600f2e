#include "framework/recorder.h"

namespace fw {

namespace {
std::vector<std::string> g_events;
bool g_recording = false;
std::function<void(const std::string&)> g_hook;
}  // namespace

bool Recording() { return g_recording || g_hook; }

void RecordJoined(std::initializer_list<std::string_view> parts) {
  std::string event;
  for (std::string_view part : parts) event += part;
  if (g_recording) g_events.push_back(event);
  if (g_hook) g_hook(event);
}

std::vector<std::string> Recorded() { return g_events; }
void ClearRecord() {
  g_events.clear();
  g_recording = true;
}
void SetRecordHook(std::function<void(const std::string&)> hook) { g_hook = std::move(hook); }

}  // namespace fw
