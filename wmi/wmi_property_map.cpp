#include "wmi/wmi_property_map.h"

#include "wmi/variant_codec.h"

namespace presetra {

namespace {

using platform::Variant;

// Elements that take no bytes cannot bound an array by what remains: cap them instead.
constexpr std::uint64_t kMaxEmptyElements = 1u << 16;

// A count: 2 bytes below 0xFFFF, else 0xFFFF and 4 bytes.
bool WriteCount(CArchive& archive, std::size_t count) {
  if (count < 0xFFFF) return archive.WriteValue(static_cast<std::uint16_t>(count));
  return archive.WriteValue(std::uint16_t{0xFFFF}) &&
         archive.WriteValue(static_cast<std::uint32_t>(count));
}

// A Unicode string: the marker 0xFF 0xFFFE, the length in units (1 byte below 0xFF; else 0xFF
// and 2 bytes below 0xFFFE; else 0xFF, 0xFFFF and 4 bytes), the units.
bool WriteKey(CArchive& archive, const WString& key) {
  if (!archive.WriteValue(std::uint8_t{0xFF}) || !archive.WriteValue(std::uint16_t{0xFFFE})) {
    return false;
  }
  const std::size_t length = key.size();
  bool ok = true;
  if (length < 0xFF) {
    ok = archive.WriteValue(static_cast<std::uint8_t>(length));
  } else if (length < 0xFFFE) {
    ok = archive.WriteValue(std::uint8_t{0xFF}) &&
         archive.WriteValue(static_cast<std::uint16_t>(length));
  } else {
    ok = archive.WriteValue(std::uint8_t{0xFF}) && archive.WriteValue(std::uint16_t{0xFFFF}) &&
         archive.WriteValue(static_cast<std::uint32_t>(length));
  }
  for (char16_t unit : key) ok = ok && archive.WriteValue(static_cast<std::uint16_t>(unit));
  return ok;
}

// Windows-1252, the ANSI code page of the systems these streams come from.
char16_t FromAnsi(std::uint8_t byte) {
  static const char16_t k80To9F[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return byte >= 0x80 && byte <= 0x9F ? k80To9F[byte - 0x80] : char16_t{byte};
}

// A key as MFC reads a string: the Unicode form, or the single-byte form without the marker.
bool ReadKey(CArchive& archive, WString& key) {
  bool unicode = false;
  std::uint64_t length = 0;
  for (;;) {
    std::uint8_t byte = 0;
    if (!archive.ReadValue(byte, "a key's length")) return false;
    if (byte < 0xFF) {
      length = byte;
      break;
    }
    std::uint16_t word = 0;
    if (!archive.ReadValue(word, "a key's length")) return false;
    if (word == 0xFFFE) {
      if (unicode) return archive.Fail(CArchive::Error::kBadData, "one Unicode marker per key");
      unicode = true;
      continue;
    }
    if (word < 0xFFFF) {
      length = word;
      break;
    }
    std::uint32_t dword = 0;
    if (!archive.ReadValue(dword, "a key's length")) return false;
    length = dword;
    break;
  }
  const std::uint64_t bytes = unicode ? length * 2 : length;
  if (bytes > archive.Remaining()) {
    return archive.Fail(CArchive::Error::kEndOfFile,
                        "a key of " + std::to_string(bytes) + " bytes");
  }
  key.assign(length, u'\0');
  for (auto& unit : key) {
    if (unicode) {
      std::uint16_t raw = 0;
      archive.ReadValue(raw, "a key's UTF-16 unit");
      unit = static_cast<char16_t>(raw);
    } else {
      std::uint8_t raw = 0;
      archive.ReadValue(raw, "a key's byte");
      unit = FromAnsi(raw);
    }
  }
  return archive.ok();
}

bool IsStorable(const Variant& value, std::string* why) {
  if ((value.vt & win::kVtByRef) != 0) {
    *why = "a value, not a reference";
    return false;
  }
  if ((value.vt & win::kVtArray) != 0) {
    if (!value.array || value.array->bounds.size() != 1) {
      *why = "an array of one dimension";
      return false;
    }
    return true;
  }
  if (value.vt == win::kVtDispatch || value.vt == win::kVtUnknown) {
    *why = "a value that is not an object (a map reads no object data back)";
    return false;
  }
  return true;
}

bool WriteValue(CArchive& archive, const Variant& value) {
  if ((value.vt & win::kVtArray) == 0) return WriteVariant(archive, value);
  const platform::SafeArray& array = *value.array;
  const std::uint16_t elementType = value.vt & ~win::kVtArray;
  const std::int64_t lower = array.bounds[0].lowerBound;
  const std::int64_t upper = lower + static_cast<std::int64_t>(array.bounds[0].elements) - 1;
  if (upper > INT32_MAX) return archive.Fail(CArchive::Error::kUnsupported, "a smaller array");
  if (!archive.WriteValue(value.vt) || !archive.WriteValue(static_cast<std::int32_t>(lower)) ||
      !archive.WriteValue(static_cast<std::int32_t>(upper))) {
    return false;
  }
  for (std::uint32_t i = 0; i < array.bounds[0].elements; ++i) {
    const Variant empty;
    const Variant& element = i < array.elements.size() ? array.elements[i] : empty;
    if (!WriteElement(archive, elementType, element)) return false;
  }
  return true;
}

bool ReadValue(CArchive& archive, Variant& value) {
  std::uint16_t vt = 0;
  if (!archive.ReadValue(vt, "a VARIANT type")) return false;
  if ((vt & win::kVtArray) == 0) return ReadVariantBody(archive, vt, value, false);
  std::int32_t lower = 0;
  std::int32_t upper = 0;
  if (!archive.ReadValue(lower, "an array's lower bound") ||
      !archive.ReadValue(upper, "an array's upper bound")) {
    return false;
  }
  const std::int64_t count = std::int64_t{upper} - lower + 1;
  if (count < 0) {
    return archive.Fail(CArchive::Error::kBadData,
                        "an upper bound not below the lower bound less one");
  }
  const std::uint16_t elementType = vt & ~win::kVtArray;
  const std::size_t minimum = MinimumElementBytes(elementType);
  if (minimum > 0 ? static_cast<std::uint64_t>(count) * minimum > archive.Remaining()
                  : static_cast<std::uint64_t>(count) > kMaxEmptyElements) {
    return archive.Fail(CArchive::Error::kEndOfFile, std::to_string(count) + " array elements");
  }
  auto array = std::make_shared<platform::SafeArray>();
  array->elementType = elementType;
  // Read back with lower bound 0, whatever bound was stored.
  array->bounds.push_back({0, static_cast<std::uint32_t>(count)});
  array->elements.resize(static_cast<std::size_t>(count));
  for (auto& element : array->elements) {
    if (!ReadElement(archive, elementType, element)) break;
  }
  value.Clear();
  value.vt = vt;
  value.array = std::move(array);
  return archive.ok();
}

}  // namespace

void CWMIPropertyMap::SetAt(const WString& key, const platform::Variant& value) {
  auto [at, inserted] = index_.try_emplace(key, entries_.size());
  if (inserted) {
    entries_.emplace_back(key, value);
  } else {
    entries_[at->second].second = value;
  }
}

const platform::Variant* CWMIPropertyMap::Lookup(const WString& key) const {
  auto at = index_.find(key);
  return at == index_.end() ? nullptr : &entries_[at->second].second;
}

bool CWMIPropertyMap::Serialize(CArchive& archive) {
  return archive.IsStoring() ? Store(archive) : Load(archive);
}

bool CWMIPropertyMap::Store(CArchive& archive) const {
  for (const auto& [key, value] : entries_) {
    std::string why;
    if (!IsStorable(value, &why)) {
      return archive.Fail(CArchive::Error::kUnsupported,
                          "for key \"" + Utf16ToUtf8(key) + "\": " + why);
    }
  }
  if (!WriteCount(archive, entries_.size())) return false;
  for (const auto& [key, value] : entries_) {
    if (!WriteKey(archive, key) || !WriteValue(archive, value)) return false;
  }
  return true;
}

bool CWMIPropertyMap::Load(CArchive& archive) {
  std::uint16_t shortCount = 0;
  if (!archive.ReadValue(shortCount, "the entry count")) return false;
  std::uint64_t count = shortCount;
  if (shortCount == 0xFFFF) {
    std::uint32_t longCount = 0;
    if (!archive.ReadValue(longCount, "the entry count")) return false;
    count = longCount;
  }
  for (std::uint64_t i = 0; i < count; ++i) {
    WString key;
    Variant value;
    if (!ReadKey(archive, key)) return false;
    if (!ReadValue(archive, value)) return false;
    SetAt(key, value);
  }
  return true;
}

}  // namespace presetra
