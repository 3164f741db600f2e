#pragma once
// Serialized property lists: the initial property values of a window or a
// control, stored as one byte string each. An entry is the property's name in
// ASCII, one blank, then the value; the value carries no type tag, its form
// follows from the type of the property:
//   Integer  4 bytes, big-endian two's complement
//   Boolean  1 byte, 0x00 or 0x01
//   Color    3 bytes, red, green, blue
//   String   4-byte big-endian byte count n, then n bytes (no terminator)
// There is no count before the entries and no terminator after the last one.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "framework/exceptions.h"

namespace fw {

enum class PropertyType { Integer, Boolean, Color, String };

// A colour is a struct of its own so that an Integer (int32_t) and a Color
// never compete for the same constructor of PropertyValue.
struct ColorValue {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const ColorValue&) const = default;
};

// The alternatives follow the order of PropertyType: Integer, Boolean, Color,
// String. Build strings explicitly (std::string{"..."}): a bare literal is
// not a Boolean, but the intent reads better.
using PropertyValue = std::variant<int32_t, bool, ColorValue, std::string>;

struct PropertyEntry {
  std::string name;
  PropertyValue value;
  bool operator==(const PropertyEntry&) const = default;
};

// A list that cannot be read, or an entry that cannot be written.
class PropertyListError : public RuntimeException {
 public:
  using RuntimeException::RuntimeException;
};

// The type of a stored property, matched by exact name (case included);
// nullopt for a name the lists never use.
std::optional<PropertyType> PropertyTypeOf(std::string_view name);

// The type that a value's alternative stands for.
PropertyType TypeOfValue(const PropertyValue& value);

// Reads every entry, in list order. declared(name) tells whether the target's
// class has that property; an empty predicate accepts every name of a known
// type. Throws PropertyListError for an empty or non-ASCII name, a name
// without its blank, a name the target does not declare or of no known type,
// a value cut short, a Boolean byte other than 0 or 1, or a string count
// beyond the end. Never reads past the end of bytes. An empty list has no
// entries.
std::vector<PropertyEntry> DecodePropertyList(std::string_view bytes,
                                              const std::function<bool(std::string_view)>& declared);

// The byte form of the entries. Throws PropertyListError for a name that
// DecodePropertyList would refuse, a value whose type is not the property's,
// or a string longer than a 32-bit count can say.
std::string EncodePropertyList(const std::vector<PropertyEntry>& entries);

}  // namespace fw
