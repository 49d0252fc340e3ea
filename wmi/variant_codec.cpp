#include "wmi/variant_codec.h"

#include <cstring>

namespace presetra {

namespace {

using platform::Variant;

// Bytes of the fixed-size value types of table V; 0 for types without a value.
std::size_t FixedSize(std::uint16_t vt) {
  switch (vt) {
    case win::kVtI1:
    case win::kVtUi1:
      return 1;
    case win::kVtI2:
    case win::kVtBool:
    case win::kVtUi2:
      return 2;
    case win::kVtI4:
    case win::kVtError:
    case win::kVtUi4:
    case win::kVtR4:
      return 4;
    case win::kVtR8:
    case win::kVtDate:
    case win::kVtCy:
    case win::kVtI8:
    case win::kVtUi8:
      return 8;
    default:
      return 0;
  }
}

bool IsObject(std::uint16_t vt) {
  return vt == win::kVtDispatch || vt == win::kVtUnknown;
}

bool WriteFixed(CArchive& archive, std::uint16_t vt, const Variant& value) {
  switch (vt) {
    case win::kVtR4: {
      float f = static_cast<float>(value.real);
      std::uint32_t bits;
      std::memcpy(&bits, &f, 4);
      return archive.WriteValue(bits);
    }
    case win::kVtR8:
    case win::kVtDate: {
      std::uint64_t bits;
      std::memcpy(&bits, &value.real, 8);
      return archive.WriteValue(bits);
    }
    default: {
      // Integers of every width, VT_BOOL, VT_ERROR and VT_CY (its low half first).
      const std::size_t size = FixedSize(vt);
      std::uint8_t bytes[8];
      for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value.integer) >> (8 * i));
      }
      return archive.Write(bytes, size);
    }
  }
}

bool ReadFixed(CArchive& archive, std::uint16_t vt, Variant& value) {
  const std::size_t size = FixedSize(vt);
  std::uint8_t bytes[8] = {};
  if (!archive.Read(bytes, size, "the value")) return false;
  std::uint64_t raw = 0;
  for (std::size_t i = 0; i < size; ++i) raw |= std::uint64_t{bytes[i]} << (8 * i);
  switch (vt) {
    case win::kVtR4: {
      float f;
      std::uint32_t bits = static_cast<std::uint32_t>(raw);
      std::memcpy(&f, &bits, 4);
      value.real = f;
      break;
    }
    case win::kVtR8:
    case win::kVtDate:
      std::memcpy(&value.real, &raw, 8);
      break;
    case win::kVtI1:
      value.integer = static_cast<std::int8_t>(raw);
      break;
    case win::kVtI2:
    case win::kVtBool:
      value.integer = static_cast<std::int16_t>(raw);
      break;
    case win::kVtI4:
    case win::kVtError:
      value.integer = static_cast<std::int32_t>(raw);
      break;
    default:
      value.integer = static_cast<std::int64_t>(raw);
      break;
  }
  return true;
}

bool WriteText(CArchive& archive, const std::optional<WString>& text) {
  // An empty string and a null one are both length 0.
  const WString empty;
  const WString& units = text ? *text : empty;
  if (units.size() > 0x7FFFFFFF / 2)
    return archive.Fail(CArchive::Error::kUnsupported, "a shorter string");
  if (!archive.WriteValue(static_cast<std::uint32_t>(units.size() * 2))) return false;
  for (char16_t unit : units) {
    if (!archive.WriteValue(static_cast<std::uint16_t>(unit))) return false;
  }
  return true;
}

bool ReadText(CArchive& archive, std::optional<WString>& text) {
  std::uint32_t bytes = 0;
  if (!archive.ReadValue(bytes, "a string's byte length")) return false;
  if (bytes == 0) {
    text.reset();
    return true;
  }
  if (bytes % 2 != 0)
    return archive.Fail(CArchive::Error::kBadData, "an even byte length of UTF-16 text");
  if (bytes > archive.Remaining()) {
    return archive.Fail(CArchive::Error::kEndOfFile,
                        "a string of " + std::to_string(bytes) + " bytes");
  }
  WString units(bytes / 2, u'\0');
  for (auto& unit : units) {
    std::uint16_t raw = 0;
    archive.ReadValue(raw, "a UTF-16 unit");
    unit = static_cast<char16_t>(raw);
  }
  text = std::move(units);
  return archive.ok();
}

bool WriteObject(CArchive& archive, const Variant& value) {
  platform::ObjectValue empty;
  const platform::ObjectValue& object = value.object ? *value.object : empty;
  if (!archive.WriteValue(object.classId.data1) || !archive.WriteValue(object.classId.data2) ||
      !archive.WriteValue(object.classId.data3) || !archive.Write(object.classId.data4.data(), 8)) {
    return false;
  }
  if (!archive.WriteValue(static_cast<std::uint32_t>(object.data.size()))) return false;
  return archive.Write(object.data.data(), object.data.size());
}

bool ReadObject(CArchive& archive, Variant& value) {
  auto object = std::make_shared<platform::ObjectValue>();
  if (!archive.ReadValue(object->classId.data1, "the object's class ID") ||
      !archive.ReadValue(object->classId.data2, "the object's class ID") ||
      !archive.ReadValue(object->classId.data3, "the object's class ID") ||
      !archive.Read(object->classId.data4.data(), 8, "the object's class ID")) {
    return false;
  }
  std::uint32_t size = 0;
  if (!archive.ReadValue(size, "the object's data length")) return false;
  if (size > archive.Remaining()) {
    return archive.Fail(CArchive::Error::kEndOfFile,
                        "object data of " + std::to_string(size) + " bytes");
  }
  object->data.resize(size);
  archive.Read(object->data.data(), size, "the object's data");
  value.object = std::move(object);
  return archive.ok();
}

}  // namespace

bool WriteVariant(CArchive& archive, const Variant& value) {
  if ((value.vt & (win::kVtArray | win::kVtByRef)) != 0) {
    return archive.Fail(CArchive::Error::kUnsupported,
                        "a value that is not an array or a reference (only a map holds arrays)");
  }
  if (!archive.WriteValue(value.vt)) return false;
  if (value.vt == win::kVtBstr) return WriteText(archive, value.text);
  if (IsObject(value.vt)) return WriteObject(archive, value);
  return WriteFixed(archive, value.vt, value);
}

bool ReadVariantBody(CArchive& archive, std::uint16_t vt, Variant& value, bool withObjects) {
  value.Clear();
  if ((vt & (win::kVtArray | win::kVtByRef)) != 0) return archive.ok();  // read back empty
  value.vt = vt;
  if (vt == win::kVtBstr) return ReadText(archive, value.text);
  if (IsObject(vt)) return withObjects ? ReadObject(archive, value) : archive.ok();
  return ReadFixed(archive, vt, value);
}

bool ReadVariant(CArchive& archive, Variant& value) {
  value.Clear();
  std::uint16_t vt = 0;
  if (!archive.ReadValue(vt, "a VARIANT type")) return false;
  return ReadVariantBody(archive, vt, value, true);
}

std::size_t MinimumElementBytes(std::uint16_t elementType) {
  if (elementType == win::kVtBstr) return 4;
  return FixedSize(elementType);
}

bool WriteElement(CArchive& archive, std::uint16_t elementType, const Variant& value) {
  if (elementType == win::kVtBstr) return WriteText(archive, value.text);
  return WriteFixed(archive, elementType, value);
}

bool ReadElement(CArchive& archive, std::uint16_t elementType, Variant& value) {
  value.Clear();
  // Elements that carry no bytes (objects, variants, decimals) come back empty.
  if (MinimumElementBytes(elementType) == 0 && FixedSize(elementType) == 0) return archive.ok();
  value.vt = elementType;
  if (elementType == win::kVtBstr) return ReadText(archive, value.text);
  return ReadFixed(archive, elementType, value);
}

}  // namespace presetra
