// A VARIANT held by value: its type word and whatever the type carries. Strings distinguish a
// null BSTR from an empty one; arrays keep their element type and bounds; object values keep
// their class ID and persisted bytes, so nothing is lost between WMI and the system's objects.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/guid.h"
#include "platform/text.h"
#include "platform/win_constants.h"

namespace presetra::platform {

struct Variant;

struct SafeArrayBound {
  std::int32_t lowerBound = 0;
  std::uint32_t elements = 0;
  friend bool operator==(const SafeArrayBound&, const SafeArrayBound&) = default;
};

// A SAFEARRAY: elements in storage order, each a Variant of the element type.
struct SafeArray {
  std::uint16_t elementType = win::kVtEmpty;
  std::vector<SafeArrayBound> bounds;
  std::vector<Variant> elements;
};

// The persisted form of a VT_DISPATCH or VT_UNKNOWN value.
struct ObjectValue {
  Guid classId;
  std::vector<std::uint8_t> data;
  friend bool operator==(const ObjectValue&, const ObjectValue&) = default;
};

struct Variant {
  std::uint16_t vt = win::kVtEmpty;
  // The integer types, VT_BOOL, VT_ERROR and VT_CY (as its 64-bit integer).
  std::int64_t integer = 0;
  // VT_R4, VT_R8 and VT_DATE.
  double real = 0.0;
  // VT_BSTR: nullopt is a null BSTR.
  std::optional<WString> text;
  // VT_ARRAY types.
  std::shared_ptr<SafeArray> array;
  // VT_DISPATCH and VT_UNKNOWN.
  std::shared_ptr<ObjectValue> object;

  // VariantClear: back to VT_EMPTY with nothing held.
  void Clear() {
    vt = win::kVtEmpty;
    integer = 0;
    real = 0.0;
    text.reset();
    array.reset();
    object.reset();
  }

  static Variant Empty() { return Variant{}; }
  static Variant Null() {
    Variant v;
    v.vt = win::kVtNull;
    return v;
  }
  static Variant I4(std::int32_t value) {
    Variant v;
    v.vt = win::kVtI4;
    v.integer = value;
    return v;
  }
  static Variant Bstr(std::optional<WString> value) {
    Variant v;
    v.vt = win::kVtBstr;
    v.text = std::move(value);
    return v;
  }
  // A one-dimensional VT_ARRAY | VT_BSTR with lower bound 0.
  static Variant BstrArray(const std::vector<std::optional<WString>>& values);
};

}  // namespace presetra::platform
