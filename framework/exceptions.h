#pragma once
// The runtime's exceptions. Program code raises them where it uses an object
// that is not there; the framework's dispatch catches whatever escapes.
#include <stdexcept>
#include <string>

namespace fw {

class RuntimeException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Using a missing (nil) object.
class NilObjectException : public RuntimeException {
 public:
  NilObjectException() : RuntimeException("NilObjectException: an object was used that does not exist") {}
  explicit NilObjectException(const std::string& what) : RuntimeException("NilObjectException: " + what) {}
};

// Thrown by the yield once the application is quitting, so that the running
// handler unwinds. The dispatch catches it silently; it is never reported.
class QuitUnwind {};

// Dereference a framework reference, raising NilObjectException for nil.
template <class Ref>
auto& Deref(const Ref& ref) {
  if (!ref) throw NilObjectException();
  return *ref;
}

}  // namespace fw
