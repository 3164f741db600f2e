#pragma once
// A record of the framework's own calls (registrations, bindings, window
// creations, releases), for tests of the start-up and shut-down order.
#include <functional>
#include <string>
#include <vector>

namespace fw {

// Nothing is kept until a test starts a record with ClearRecord.
void Record(const std::string& event);
std::vector<std::string> Recorded();
// Empties the record and starts recording.
void ClearRecord();
// Tests: called with every recorded event; it may throw to simulate a failure
// at a known step.
void SetRecordHook(std::function<void(const std::string&)> hook);

}  // namespace fw
