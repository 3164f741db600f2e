#pragma once
// A record of the framework's own calls (registrations, bindings, window
// creations, releases), for tests of the start-up and shut-down order.
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// True while a record runs or a hook listens.
bool Recording();
void RecordJoined(std::initializer_list<std::string_view> parts);
// Records the event made of parts joined; when nobody records, no text is built.
template <typename... Parts>
void Record(const Parts&... parts) {
  if (Recording()) RecordJoined({std::string_view(parts)...});
}
std::vector<std::string> Recorded();
// Empties the record and starts recording; nothing is kept before the first call.
void ClearRecord();
// Tests: called with every recorded event; it may throw to simulate a failure
// at a known step.
void SetRecordHook(std::function<void(const std::string&)> hook);

}  // namespace fw
