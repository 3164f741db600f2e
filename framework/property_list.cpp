#include "framework/property_list.h"

#include <limits>
#include <utility>

namespace fw {

namespace {

using Type = PropertyType;

// Every property that a stored list of the program may hold, with its type.
constexpr std::pair<std::string_view, PropertyType> kPropertyTypes[] = {
    {"Placement", Type::Integer},
    {"Width", Type::Integer},
    {"Height", Type::Integer},
    {"MinWidth", Type::Integer},
    {"MinHeight", Type::Integer},
    {"MaxWidth", Type::Integer},
    {"MaxHeight", Type::Integer},
    {"Frame", Type::Integer},
    {"MacProcID", Type::Integer},
    {"Index", Type::Integer},
    {"Left", Type::Integer},
    {"Top", Type::Integer},
    {"TabPanelIndex", Type::Integer},
    {"TabIndex", Type::Integer},
    {"TextSize", Type::Integer},
    {"TextAlign", Type::Integer},
    {"ColumnCount", Type::Integer},
    {"HeadingIndex", Type::Integer},
    {"GridLinesHorizontal", Type::Integer},
    {"GridLinesVertical", Type::Integer},
    {"DefaultRowHeight", Type::Integer},
    {"_ScrollWidth", Type::Integer},
    {"_ScrollOffset", Type::Integer},
    {"SelectionType", Type::Integer},
    {"Composite", Type::Boolean},
    {"HasBackColor", Type::Boolean},
    {"Visible", Type::Boolean},
    {"FullScreen", Type::Boolean},
    {"MenuBarVisible", Type::Boolean},
    {"CloseButton", Type::Boolean},
    {"Resizeable", Type::Boolean},
    {"LiveResize", Type::Boolean},
    {"MaximizeButton", Type::Boolean},
    {"MinimizeButton", Type::Boolean},
    {"LockLeft", Type::Boolean},
    {"LockTop", Type::Boolean},
    {"LockRight", Type::Boolean},
    {"LockBottom", Type::Boolean},
    {"Default", Type::Boolean},
    {"Cancel", Type::Boolean},
    {"Enabled", Type::Boolean},
    {"AutoDeactivate", Type::Boolean},
    {"Bold", Type::Boolean},
    {"Italic", Type::Boolean},
    {"Underline", Type::Boolean},
    {"HasHeading", Type::Boolean},
    {"UseFocusRing", Type::Boolean},
    {"ScrollbarHorizontal", Type::Boolean},
    {"ScrollBarVertical", Type::Boolean},
    {"Hierarchical", Type::Boolean},
    {"EnableDrag", Type::Boolean},
    {"EnableDragReorder", Type::Boolean},
    {"RequiresSelection", Type::Boolean},
    {"ColumnsResizable", Type::Boolean},
    {"AutoHideScrollbars", Type::Boolean},
    {"Multiline", Type::Boolean},
    {"Value", Type::Boolean},
    {"BackColor", Type::Color},
    {"TextColor", Type::Color},
    {"Title", Type::String},
    {"BalloonHelp", Type::String},
    {"Name", Type::String},
    {"Caption", Type::String},
    {"HelpTag", Type::String},
    {"TextFont", Type::String},
    {"Text", Type::String},
    {"ColumnWidths", Type::String},
    {"InitialValue", Type::String},
    {"DataSource", Type::String},
    {"DataField", Type::String},
    {"InitialParent", Type::String},
};

constexpr char kBlank = ' ';

// Printable ASCII without the blank, which ends the name.
bool IsNameByte(unsigned char c) { return c > 0x20 && c < 0x7F; }

std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

[[noreturn]] void Fail(const std::string& what, size_t offset) {
  throw PropertyListError("property list: " + what + " (at byte " + std::to_string(offset) + ")");
}

// A bounds-checked cursor over the list.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool AtEnd() const { return pos_ == bytes_.size(); }
  size_t Offset() const { return pos_; }
  size_t Left() const { return bytes_.size() - pos_; }

  std::string_view Take(size_t count, std::string_view name, const char* what) {
    if (count > Left()) {
      Fail(std::string(what) + " of " + Quoted(name) + " is cut short: needs " + std::to_string(count) + " bytes, " +
               std::to_string(Left()) + " left",
           pos_);
    }
    std::string_view piece = bytes_.substr(pos_, count);
    pos_ += count;
    return piece;
  }

  std::string_view TakeName() {
    size_t start = pos_;
    size_t end = start;
    while (end < bytes_.size() && bytes_[end] != kBlank) {
      if (!IsNameByte(static_cast<unsigned char>(bytes_[end])))
        Fail("property name holds a byte that is not printable ASCII", end);
      ++end;
    }
    if (end == bytes_.size()) Fail("property name without the blank after it", start);
    if (end == start) Fail("empty property name", start);
    pos_ = end + 1;
    return bytes_.substr(start, end - start);
  }

  uint32_t TakeBigEndian32(std::string_view name, const char* what) {
    std::string_view b = Take(4, name, what);
    uint32_t v = 0;
    for (char c : b) v = (v << 8) | static_cast<unsigned char>(c);
    return v;
  }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

PropertyValue ReadValue(Reader& in, std::string_view name, PropertyType type) {
  switch (type) {
    case PropertyType::Integer:
      return static_cast<int32_t>(in.TakeBigEndian32(name, "Integer value"));
    case PropertyType::Boolean: {
      size_t at = in.Offset();
      unsigned char b = static_cast<unsigned char>(in.Take(1, name, "Boolean value")[0]);
      if (b > 1) Fail("Boolean value of " + Quoted(name) + " is neither 0 nor 1 but " + std::to_string(b), at);
      return b == 1;
    }
    case PropertyType::Color: {
      std::string_view c = in.Take(3, name, "Color value");
      return ColorValue{static_cast<uint8_t>(c[0]), static_cast<uint8_t>(c[1]), static_cast<uint8_t>(c[2])};
    }
    case PropertyType::String: {
      uint32_t count = in.TakeBigEndian32(name, "String count");
      return std::string(in.Take(count, name, "String text"));
    }
  }
  Fail("unknown property type of " + Quoted(name), in.Offset());
}

void AppendBigEndian32(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v >> 24));
  out.push_back(static_cast<char>(v >> 16));
  out.push_back(static_cast<char>(v >> 8));
  out.push_back(static_cast<char>(v));
}

void CheckEncodable(const PropertyEntry& e) {
  if (e.name.empty()) throw PropertyListError("property list: cannot write an empty property name");
  for (char c : e.name) {
    if (!IsNameByte(static_cast<unsigned char>(c))) {
      throw PropertyListError("property list: name " + Quoted(e.name) + " holds a byte that is not printable ASCII");
    }
  }
  std::optional<PropertyType> type = PropertyTypeOf(e.name);
  if (!type) throw PropertyListError("property list: " + Quoted(e.name) + " has no known type");
  if (*type != TypeOfValue(e.value)) {
    throw PropertyListError("property list: value of " + Quoted(e.name) + " is not of the property's type");
  }
}

}  // namespace

std::optional<PropertyType> PropertyTypeOf(std::string_view name) {
  for (const auto& [known, type] : kPropertyTypes) {
    if (known == name) return type;
  }
  return std::nullopt;
}

PropertyType TypeOfValue(const PropertyValue& value) { return static_cast<PropertyType>(value.index()); }

std::vector<PropertyEntry> DecodePropertyList(std::string_view bytes,
                                              const std::function<bool(std::string_view)>& declared) {
  std::vector<PropertyEntry> entries;
  Reader in(bytes);
  while (!in.AtEnd()) {
    size_t at = in.Offset();
    std::string_view name = in.TakeName();
    if (declared && !declared(name)) Fail("the target has no property " + Quoted(name), at);
    std::optional<PropertyType> type = PropertyTypeOf(name);
    if (!type) Fail(Quoted(name) + " has no known type", at);
    PropertyValue value = ReadValue(in, name, *type);
    entries.push_back({std::string(name), std::move(value)});
  }
  return entries;
}

std::string EncodePropertyList(const std::vector<PropertyEntry>& entries) {
  std::string out;
  for (const PropertyEntry& e : entries) {
    CheckEncodable(e);
    out += e.name;
    out.push_back(kBlank);
    switch (TypeOfValue(e.value)) {
      case PropertyType::Integer:
        AppendBigEndian32(out, static_cast<uint32_t>(std::get<int32_t>(e.value)));
        break;
      case PropertyType::Boolean:
        out.push_back(std::get<bool>(e.value) ? '\x01' : '\x00');
        break;
      case PropertyType::Color: {
        const ColorValue& c = std::get<ColorValue>(e.value);
        out.push_back(static_cast<char>(c.r));
        out.push_back(static_cast<char>(c.g));
        out.push_back(static_cast<char>(c.b));
        break;
      }
      case PropertyType::String: {
        const std::string& s = std::get<std::string>(e.value);
        if (s.size() > std::numeric_limits<uint32_t>::max()) {
          throw PropertyListError("property list: text of " + Quoted(e.name) + " is too long for its count");
        }
        AppendBigEndian32(out, static_cast<uint32_t>(s.size()));
        out += s;
        break;
      }
    }
  }
  return out;
}

}  // namespace fw
