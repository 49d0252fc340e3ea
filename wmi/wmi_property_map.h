// WMI property names mapped to VARIANT values, and their stream form: an entry count, then per
// entry the name as a Unicode string and the value (arrays with their bounds and elements).
#pragma once

#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/variant.h"
#include "wmi/object.h"

namespace presetra {

class CWMIPropertyMap : public CObject {
 public:
  const CRuntimeClass* GetRuntimeClass() const override;
  // Stores or loads the map. Loading adds to what the map holds, replacing the values of keys
  // it reads again. Storing refuses, before writing anything, values that would not read
  // back: references, arrays of more than one dimension, and objects.
  bool Serialize(CArchive& archive) override;

  // Keys compare unit by unit: "Value" and "value" are two keys.
  void SetAt(const WString& key, const platform::Variant& value);
  const platform::Variant* Lookup(const WString& key) const;
  void RemoveAll() {
    entries_.clear();
    index_.clear();
  }
  std::size_t GetCount() const { return entries_.size(); }
  // In insertion order, which is the order of the stream.
  const std::vector<std::pair<WString, platform::Variant>>& Entries() const { return entries_; }

 private:
  bool Store(CArchive& archive) const;
  bool Load(CArchive& archive);

  std::vector<std::pair<WString, platform::Variant>> entries_;
  std::unordered_map<WString, std::size_t> index_;  // key to its place in entries_
};

}  // namespace presetra
