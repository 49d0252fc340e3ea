// The two encodings of VARIANT values in WMI parameter streams. V: the 2-byte type word and
// then the value. E: an array element's value alone, by the array's element type.
#pragma once

#include "platform/variant.h"
#include "wmi/archive.h"

namespace presetra {

// Encoding V. Arrays and by-reference values are refused (kUnsupported): V writes only their
// type, so they would read back empty. An object value writes its class ID and then its
// persisted form, here a 4-byte length and the bytes.
bool WriteVariant(CArchive& archive, const platform::Variant& value);
// Encoding V. The variant is cleared first; array and by-reference types read back empty.
bool ReadVariant(CArchive& archive, platform::Variant& value);

// The value bytes of table V for a type word already read. Objects read their class ID and
// data only when `withObjects` (a map's reader reads nothing after an object's type).
bool ReadVariantBody(CArchive& archive, std::uint16_t vt, platform::Variant& value,
                     bool withObjects);

// Encoding E of one element of an array of `elementType`.
bool WriteElement(CArchive& archive, std::uint16_t elementType, const platform::Variant& value);
bool ReadElement(CArchive& archive, std::uint16_t elementType, platform::Variant& value);
// The fewest bytes one element of the type takes: 0 for types whose elements carry none.
std::size_t MinimumElementBytes(std::uint16_t elementType);

}  // namespace presetra
